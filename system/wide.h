#pragma once
// Portable code speaks UTF-16 as char16_t; Win32 speaks it as wchar_t, which
// on Windows is the same 16-bit unit. These views cross between the two
// without copying.
#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide strings are UTF-16");

inline const wchar_t* wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}
inline const wchar_t* wide(const std::u16string& text) {
    return wide(text.c_str());
}
inline std::u16string utf16(const wchar_t* text, size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}
