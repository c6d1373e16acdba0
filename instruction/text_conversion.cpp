#include "text_conversion.h"

#include <climits>
#include <cstring>

#include "instruction_memory.h"

#ifdef _WIN32
#include <windows.h>

#include <string.h>
#else
#include "portable_text.h"
#endif

namespace {

// The Windows calls count in int; longer texts are refused in both builds.
const std::size_t longestText = INT_MAX;

std::size_t encode(const char16_t* text, std::size_t length, char* out) {
#ifdef _WIN32
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide strings are UTF-16");
    int written = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(text),
                                      static_cast<int>(length), out, static_cast<int>(3 * length),
                                      nullptr, nullptr);
    return written > 0 ? static_cast<std::size_t>(written) : 0;
#else
    return portableUtf16ToUtf8(text, length, out);
#endif
}

std::size_t decode(const char* text, std::size_t length, char16_t* out) {
#ifdef _WIN32
    int written = MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length),
                                      reinterpret_cast<wchar_t*>(out), static_cast<int>(length));
    return written > 0 ? static_cast<std::size_t>(written) : 0;
#else
    return portableUtf8ToUtf16(text, length, out);
#endif
}

}  // namespace

Utf8Text::~Utf8Text() { releaseInstructionMemory(data_); }

bool Utf8Text::holdsZero() const { return data_ && std::strlen(data_) != size_; }

bool toUtf8(const std::u16string& text, Utf8Text& out) {
    releaseInstructionMemory(out.data_);
    out.data_ = nullptr;
    out.size_ = 0;
    // A UTF-16 unit never needs more than three bytes; a pair needs four.
    if (text.size() > longestText / 3) return false;
    char* buffer = static_cast<char*>(reallocateInstructionMemory(nullptr, 3 * text.size() + 1));
    if (!buffer) return false;
    std::size_t size = text.empty() ? 0 : encode(text.data(), text.size(), buffer);
    buffer[size] = '\0';
    out.data_ = buffer;
    out.size_ = size;
    return true;
}

bool toUtf16(const char* text, std::size_t length, std::u16string& out) {
    out.clear();
    if (length > longestText) return false;
    if (length == 0) return true;
    // Every byte gives at most one unit: only four bytes give a pair.
    out.resize(length);
    out.resize(decode(text, length, &out[0]));
    return true;
}

bool sameName(const char* a, const char* b) {
#ifdef _WIN32
    return _stricmp(a, b) == 0;
#else
    return portableSameName(a, b);
#endif
}
