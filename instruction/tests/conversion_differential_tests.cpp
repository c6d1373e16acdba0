// The portable conversions and name comparison against the Windows calls
// they stand in for, over a large generated set of inputs: both must give
// the same result for every one.
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "portable_text.h"

namespace {

std::string hex(const void* data, std::size_t size, std::size_t unit) {
    std::string shown;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    char piece[8];
    for (std::size_t i = 0; i < size; i += unit) {
        unsigned value = unit == 1 ? bytes[i] : bytes[i] | (bytes[i + 1] << 8);
        std::snprintf(piece, sizeof piece, unit == 1 ? "%02X " : "%04X ", value);
        shown += piece;
    }
    return shown;
}

// Collects the inputs on which the two differ; shows the first few.
class Differences {
  public:
    void add(const std::string& what) {
        if (count_++ < 10) shown_ += what + "\n";
    }
    void expectNone(std::size_t compared) const {
        EXPECT_EQ(count_, 0u) << "of " << compared << " inputs, first ones:\n" << shown_;
    }

  private:
    std::size_t count_ = 0;
    std::string shown_;
};

// Bytes where UTF-8 decoders tend to differ.
const unsigned char edgeBytes[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                   0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE,
                                   0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xF8, 0xFE, 0xFF};

// UTF-8 for `code` in `length` bytes (1 to 4), overlong when more are used
// than needed. Surrogates and values above U+10FFFF are encoded as well.
std::string encodeAnyway(char32_t code, int length) {
    static const unsigned char leads[5] = {0, 0x00, 0xC0, 0xE0, 0xF0};
    std::string bytes(static_cast<std::size_t>(length), '\0');
    for (int i = length - 1; i > 0; --i) {
        bytes[i] = static_cast<char>(0x80 | (code & 0x3F));
        code >>= 6;
    }
    bytes[0] = static_cast<char>(leads[length] | code);
    return bytes;
}

std::vector<std::string> generatedUtf8() {
    std::vector<std::string> inputs;
    for (int a = 0; a < 256; ++a) {
        inputs.push_back(std::string(1, static_cast<char>(a)));
        for (int b = 0; b < 256; ++b)
            inputs.push_back({static_cast<char>(a), static_cast<char>(b)});
    }
    for (unsigned char a : edgeBytes) {
        for (unsigned char b : edgeBytes) {
            for (unsigned char c : edgeBytes) {
                inputs.push_back({char(a), char(b), char(c)});
                for (unsigned char d : edgeBytes)
                    inputs.push_back({char(a), char(b), char(c), char(d)});
            }
        }
    }

    std::mt19937 random(20241211);
    auto pick = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
    auto someCode = [&]() -> char32_t {
        switch (pick(6)) {
            case 0:
                return pick(0x80);
            case 1:
                return 0x80 + pick(0x780);
            case 2:
                return 0x800 + pick(0xF800);
            case 3:
                return 0xD800 + pick(0x800);  // surrogates
            case 4:
                return 0x10000 + pick(0x100000);
            default:
                return 0x10FFF0 + pick(0x20);  // around the top
        }
    };
    auto minimalLength = [](char32_t code) {
        return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    };
    for (int i = 0; i < 200000; ++i) {
        std::string bytes;
        int pieces = 1 + static_cast<int>(pick(4));
        for (int p = 0; p < pieces; ++p) {
            char32_t code = someCode();
            int length = minimalLength(code);
            switch (pick(5)) {
                case 0:  // overlong
                    if (length < 4) length += 1 + static_cast<int>(pick(4 - length));
                    bytes += encodeAnyway(code, length);
                    break;
                case 1: {  // truncated
                    std::string whole = encodeAnyway(code, length);
                    bytes += whole.substr(0, pick(static_cast<unsigned>(whole.size())));
                    break;
                }
                case 2:  // random bytes
                    for (unsigned n = pick(6); n > 0; --n) bytes += static_cast<char>(pick(256));
                    break;
                case 3:  // edge bytes
                    for (unsigned n = pick(6); n > 0; --n) {
                        bytes += static_cast<char>(edgeBytes[pick(sizeof edgeBytes)]);
                    }
                    break;
                default:
                    bytes += encodeAnyway(code, length);
            }
        }
        inputs.push_back(bytes);
    }
    return inputs;
}

TEST(ConversionDifferential, Utf8ToUtf16MatchesMultiByteToWideChar) {
    std::vector<std::string> inputs = generatedUtf8();
    Differences differences;
    std::vector<char16_t> portable;
    std::vector<wchar_t> windows;
    for (const std::string& input : inputs) {
        portable.assign(input.size() + 1, 0);
        windows.assign(input.size() + 1, 0);
        std::size_t ours = portableUtf8ToUtf16(input.data(), input.size(), portable.data());
        int theirs = input.empty() ? 0
                                   : MultiByteToWideChar(
                                         CP_UTF8, 0, input.data(), static_cast<int>(input.size()),
                                         windows.data(), static_cast<int>(windows.size()));
        if (ours != static_cast<std::size_t>(theirs) ||
            memcmp(portable.data(), windows.data(), ours * 2) != 0) {
            differences.add(hex(input.data(), input.size(), 1) + "-> ours " +
                            hex(portable.data(), ours * 2, 2) + "/ Windows " +
                            hex(windows.data(), static_cast<std::size_t>(theirs) * 2, 2));
        }
    }
    differences.expectNone(inputs.size());
}

TEST(ConversionDifferential, Utf16ToUtf8MatchesWideCharToMultiByte) {
    const char16_t edgeUnits[] = {0x0000, 0x0041, 0x007F, 0x0080, 0x07FF, 0x0800, 0xD7FF, 0xD800,
                                  0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFD, 0xFFFE, 0xFFFF};
    std::vector<std::u16string> inputs;
    for (unsigned unit = 0; unit < 0x10000; ++unit)
        inputs.push_back(std::u16string(1, char16_t(unit)));
    for (char16_t a : edgeUnits) {
        for (char16_t b : edgeUnits) {
            inputs.push_back({a, b});
            for (char16_t c : edgeUnits) inputs.push_back({a, b, c});
        }
    }
    std::mt19937 random(1211);
    for (int i = 0; i < 100000; ++i) {
        std::u16string text;
        for (unsigned n = random() % 8; n > 0; --n) {
            unsigned kind = random() % 4;
            text += kind == 0   ? char16_t(0xD800 + random() % 0x400)
                    : kind == 1 ? char16_t(0xDC00 + random() % 0x400)
                    : kind == 2 ? edgeUnits[random() % (sizeof edgeUnits / sizeof edgeUnits[0])]
                                : char16_t(random() % 0x10000);
        }
        inputs.push_back(text);
    }

    Differences differences;
    std::vector<char> portable;
    std::vector<char> windows;
    for (const std::u16string& input : inputs) {
        portable.assign(3 * input.size() + 1, 0);
        windows.assign(3 * input.size() + 1, 0);
        std::size_t ours = portableUtf16ToUtf8(input.data(), input.size(), portable.data());
        int theirs = input.empty() ? 0
                                   : WideCharToMultiByte(
                                         CP_UTF8, 0, reinterpret_cast<const wchar_t*>(input.data()),
                                         static_cast<int>(input.size()), windows.data(),
                                         static_cast<int>(windows.size()), nullptr, nullptr);
        if (ours != static_cast<std::size_t>(theirs) ||
            memcmp(portable.data(), windows.data(), ours) != 0) {
            differences.add(hex(input.data(), input.size() * 2, 2) + "-> ours " +
                            hex(portable.data(), ours, 1) + "/ Windows " +
                            hex(windows.data(), static_cast<std::size_t>(theirs), 1));
        }
    }
    differences.expectNone(inputs.size());
}

TEST(ConversionDifferential, NameComparisonMatchesStricmp) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int a = 1; a < 256; ++a) {
        for (int b = 1; b < 256; ++b)
            pairs.emplace_back(std::string(1, char(a)), std::string(1, char(b)));
    }
    const char alphabet[] = "AaZz@[`{_0 \x80\xC3\xC4\xE4\xFF";
    std::mt19937 random(4);
    for (int i = 0; i < 100000; ++i) {
        std::string a;
        for (unsigned n = random() % 7; n > 0; --n) a += alphabet[random() % (sizeof alphabet - 1)];
        std::string b = a;
        for (char& c : b) {
            unsigned change = random() % 4;
            if (change == 0) c ^= 0x20;  // flips case, and more than case
            if (change == 1) c = alphabet[random() % (sizeof alphabet - 1)];
        }
        if (random() % 8 == 0) b += 'a';
        pairs.emplace_back(a, b);
    }
    pairs.emplace_back("FullPathName", "FULLPATHNAME");
    pairs.emplace_back("Executable", "executablf");

    Differences differences;
    for (const auto& pair : pairs) {
        bool ours = portableSameName(pair.first.c_str(), pair.second.c_str());
        bool theirs = _stricmp(pair.first.c_str(), pair.second.c_str()) == 0;
        if (ours != theirs) {
            differences.add(hex(pair.first.data(), pair.first.size(), 1) + "/ " +
                            hex(pair.second.data(), pair.second.size(), 1) +
                            (ours ? "ours same" : "ours differ"));
        }
    }
    differences.expectNone(pairs.size());
}

}  // namespace
