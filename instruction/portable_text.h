#pragma once
// The reader's text conversions and name comparison in plain C++, giving for
// every input exactly what the Windows calls give: MultiByteToWideChar and
// WideCharToMultiByte with CP_UTF8 and no flags, and _stricmp in the "C"
// locale. The host build uses them; the Windows build keeps the system calls
// and its tests hold the two against each other.
#include <cstddef>

// Decodes `length` bytes of UTF-8 into `out`, which has room for `length`
// units (never more are needed), and returns the count written. Each invalid
// or overlong sequence, encoded surrogate and code point above U+10FFFF
// becomes U+FFFD, as many of them as the Windows decoder makes; a sequence
// cut short by the end of the input takes the rest of the input with it into
// one U+FFFD. Zero bytes are ordinary characters.
std::size_t portableUtf8ToUtf16(const char* text, std::size_t length, char16_t* out);

// Encodes `length` UTF-16 units as UTF-8 into `out`, which has room for
// 3 * `length` bytes, and returns the count written. An unpaired surrogate
// becomes U+FFFD.
std::size_t portableUtf16ToUtf8(const char16_t* text, std::size_t length, char* out);

// Whether the zero-terminated `a` and `b` are equal when the ASCII letters
// A to Z are taken as a to z; every other byte is compared exactly.
bool portableSameName(const char* a, const char* b);
