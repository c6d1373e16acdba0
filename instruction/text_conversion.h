#pragma once
// The reader's crossings between the callers' UTF-16 and the file's UTF-8,
// and its comparison of names. On Windows these are MultiByteToWideChar and
// WideCharToMultiByte with CP_UTF8 and _stricmp; elsewhere the portable
// equivalents of portable_text.h, which give the same results.
#include <cstddef>
#include <string>

// A zero-terminated UTF-8 string in memory of the reader's own allocation.
class Utf8Text {
  public:
    Utf8Text() = default;
    ~Utf8Text();
    Utf8Text(const Utf8Text&) = delete;
    Utf8Text& operator=(const Utf8Text&) = delete;

    const char* data() const { return data_ ? data_ : ""; }
    std::size_t size() const { return size_; }
    // True when the text holds a zero byte before its end, which no name or
    // key in a parsed file can.
    bool holdsZero() const;

  private:
    friend bool toUtf8(const std::u16string& text, Utf8Text& out);
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

// `text` as UTF-8, an unpaired surrogate becoming U+FFFD. False when there is
// no memory for it; `out` is then empty.
bool toUtf8(const std::u16string& text, Utf8Text& out);

// The `length` bytes at `text` as UTF-16, each invalid sequence becoming
// U+FFFD. False when the text is too long for the Windows call (more than
// INT_MAX bytes), in both builds so that they agree.
bool toUtf16(const char* text, std::size_t length, std::u16string& out);

// Whether the zero-terminated names `a` and `b` are equal, ignoring the case
// of ASCII letters only.
bool sameName(const char* a, const char* b);
