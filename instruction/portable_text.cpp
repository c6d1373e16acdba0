#include "portable_text.h"

namespace {

const char16_t replacement = 0xFFFD;

// Continuation bytes after a lead byte of 0x80 and above: none for bytes that
// cannot start a sequence (continuations, C0, C1, F5 to FF).
unsigned followers(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 1;
    if (lead >= 0xE0 && lead <= 0xEF) return 2;
    if (lead >= 0xF0 && lead <= 0xF4) return 3;
    return 0;
}

// Adds the bits of `byte` to `value` when it is a continuation byte.
bool takeContinuation(unsigned char byte, char32_t& value) {
    unsigned bits = byte ^ 0x80u;
    if (bits >= 0x40) return false;
    value = (value << 6) | bits;
    return true;
}

// Takes the `need` continuation bytes after `lead` from `p`, which has at
// least that many. The Windows decoder checks the value as each byte comes
// in, so a sequence that turns out overlong, a surrogate or beyond U+10FFFF
// is rejected together with the bytes taken so far, and decoding resumes at
// the byte that showed it; `p` ends up there.
bool takeSequence(unsigned char lead, unsigned need, const unsigned char*& p, char32_t& value) {
    static const unsigned char leadBits[4] = {0x7F, 0x1F, 0x0F, 0x07};
    value = lead & leadBits[need];
    if (need == 3) {
        if (!takeContinuation(*p, value)) return false;
        ++p;
        if (value < 0x10) return false;  // overlong four-byte form
    }
    if (need >= 2) {
        if (!takeContinuation(*p, value)) return false;
        if (value >= (0x110000 >> 6)) return false;  // beyond U+10FFFF, byte not taken
        ++p;
        if (value < (0x800 >> 6)) return false;                              // overlong
        if (value >= (0xD800 >> 6) && value <= (0xDFFF >> 6)) return false;  // surrogate
    }
    if (!takeContinuation(*p, value)) return false;
    ++p;
    return true;
}

// Decodes the sequence whose lead byte (0x80 or above) is at `p`, moving `p`
// past what it consumed. Returns the code point, or U+FFFD.
char32_t decodeSequence(const unsigned char*& p, const unsigned char* end) {
    unsigned char lead = *p++;
    unsigned need = followers(lead);
    if (need == 0) return replacement;
    if (static_cast<std::size_t>(end - p) < need) {
        p = end;
        return replacement;
    }
    char32_t value;
    return takeSequence(lead, need, p, value) ? value : replacement;
}

bool isSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }
bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

unsigned char foldAscii(unsigned char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

}  // namespace

std::size_t portableUtf8ToUtf16(const char* text, std::size_t length, char16_t* out) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = p + length;
    std::size_t count = 0;
    while (p < end) {
        if (*p < 0x80) {
            out[count++] = *p++;
            continue;
        }
        char32_t code = decodeSequence(p, end);
        if (code > 0xFFFF) {
            code -= 0x10000;
            out[count++] = static_cast<char16_t>(0xD800 + (code >> 10));
            out[count++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out[count++] = static_cast<char16_t>(code);
        }
    }
    return count;
}

std::size_t portableUtf16ToUtf8(const char16_t* text, std::size_t length, char* out) {
    std::size_t count = 0;
    auto put = [&](unsigned value) { out[count++] = static_cast<char>(value); };
    for (std::size_t i = 0; i < length; ++i) {
        char32_t code = text[i];
        if (isSurrogate(text[i])) {
            if (isHighSurrogate(text[i]) && i + 1 < length && isLowSurrogate(text[i + 1])) {
                code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
                ++i;
            } else {
                code = replacement;
            }
        }
        if (code < 0x80) {
            put(code);
        } else if (code < 0x800) {
            put(0xC0 | (code >> 6));
            put(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            put(0xE0 | (code >> 12));
            put(0x80 | ((code >> 6) & 0x3F));
            put(0x80 | (code & 0x3F));
        } else {
            put(0xF0 | (code >> 18));
            put(0x80 | ((code >> 12) & 0x3F));
            put(0x80 | ((code >> 6) & 0x3F));
            put(0x80 | (code & 0x3F));
        }
    }
    return count;
}

bool portableSameName(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    for (;; ++x, ++y) {
        if (foldAscii(*x) != foldAscii(*y)) return false;
        if (*x == 0) return true;
    }
}
