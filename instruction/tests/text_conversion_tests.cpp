// The conversions and the name comparison on inputs whose Windows results
// were taken from MultiByteToWideChar, WideCharToMultiByte and _stricmp. Each
// row checks the portable code and the conversion the build uses, which on
// Windows is the system's.
#include <gtest/gtest.h>

#include <string>

#include "portable_text.h"
#include "text_conversion.h"

using namespace std::string_literals;

namespace {

struct DecodeRow {
    std::string utf8;
    std::u16string utf16;
};

const DecodeRow decodeRows[] = {
    {"plain", u"plain"},
    {"a\0b"s, u"a\0b"s},
    {"\xC2\x80\xDF\xBF", u"\u0080\u07FF"},
    {"\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF", u"\u0800\uD7FF\uE000\uFFFF"},
    {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", u"\U00010000\U0010FFFF"},
    // Bytes that start nothing.
    {"\x80\xBF", u"\uFFFD\uFFFD"},
    {"\xC0\x80", u"\uFFFD\uFFFD"},
    {"\xC1\xBF", u"\uFFFD\uFFFD"},
    {"\xF5\x80", u"\uFFFD\uFFFD"},
    {"\xFE\xFF", u"\uFFFD\uFFFD"},
    {"\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
    // Overlong, surrogate and too large: rejected with the bytes taken.
    {"\xE0\x80\x80", u"\uFFFD\uFFFD"},
    {"\xE0\x9F\xBF", u"\uFFFD\uFFFD"},
    {"\xED\xA0\x80", u"\uFFFD\uFFFD"},
    {"\xF0\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
    {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD"},
    {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
    // A continuation missing in the middle.
    {"\xC2\x41", u"\uFFFDA"},
    {"\xC2\xC2\x80", u"\uFFFD\u0080"},
    {"\xE2\x82\x41", u"\uFFFDA"},
    {"\xE2\x00\x41"s, u"\uFFFD\0A"s},
    {"\xE1\x80\xE1\x80\x41", u"\uFFFD\uFFFDA"},
    {"\xF0\x90\x41\x41", u"\uFFFDAA"},
    {"\xF0\x90\x80\x41", u"\uFFFDA"},
    // Cut short by the end of the input: the rest goes into one U+FFFD.
    {"\xC2", u"\uFFFD"},
    {"\xE2\x82", u"\uFFFD"},
    {"\xE2\x41", u"\uFFFD"},
    {"\xF0\x41\x41", u"\uFFFD"},
    {"\xF0\x90\x80", u"\uFFFD"},
    {"a\xF0\x9F\x98", u"a\uFFFD"},
};

TEST(TextConversion, DecodesUtf8AsWindowsDoes) {
    for (const DecodeRow& row : decodeRows) {
        SCOPED_TRACE(testing::PrintToString(row.utf8));
        std::u16string portable(row.utf8.size(), u'?');
        portable.resize(portableUtf8ToUtf16(row.utf8.data(), row.utf8.size(), &portable[0]));
        EXPECT_EQ(portable, row.utf16);
        std::u16string built;
        EXPECT_TRUE(toUtf16(row.utf8.data(), row.utf8.size(), built));
        EXPECT_EQ(built, row.utf16);
    }
}

struct EncodeRow {
    std::u16string utf16;
    std::string utf8;
};

const EncodeRow encodeRows[] = {
    {u"", ""},
    {u"Executable", "Executable"},
    {u"\u00FC\u07FF\u0800\uFFFF", "\xC3\xBC\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
    {u"\U0001F600", "\xF0\x9F\x98\x80"},
    {u"\xD800"
     u"a",
     "\xEF\xBF\xBD"
     "a"},
    {u"\xDC00"
     u"a",
     "\xEF\xBF\xBD"
     "a"},
    {u"a\xD83D", "a\xEF\xBF\xBD"},
    {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},
    {u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
};

TEST(TextConversion, EncodesUtf16AsWindowsDoes) {
    for (const EncodeRow& row : encodeRows) {
        SCOPED_TRACE(testing::PrintToString(row.utf8));
        std::string portable(3 * row.utf16.size(), '?');
        portable.resize(portableUtf16ToUtf8(row.utf16.data(), row.utf16.size(), &portable[0]));
        EXPECT_EQ(portable, row.utf8);
        Utf8Text built;
        ASSERT_TRUE(toUtf8(row.utf16, built));
        EXPECT_EQ(std::string(built.data(), built.size()), row.utf8);
        EXPECT_FALSE(built.holdsZero());
    }
}

TEST(TextConversion, KnowsWhenATextHoldsAZero) {
    Utf8Text text;
    ASSERT_TRUE(toUtf8(u"a\0b"s, text));
    EXPECT_EQ(text.size(), 3u);
    EXPECT_TRUE(text.holdsZero());
}

TEST(TextConversion, ComparesNamesIgnoringOnlyAsciiCase) {
    const struct {
        const char* a;
        const char* b;
        bool same;
    } rows[] = {
        {"FullPathName", "fullpathname", true},
        {"EXECUTABLE", "Executable", true},
        {"", "", true},
        {"a", "", false},
        {"ab", "a", false},
        {"@", "`", false},  // the bytes before A and after Z, 0x20 apart
        {"[", "{", false},
        {"Z", "z", true},
        {"\xC3\x84", "\xC3\xA4", false},  // Ä and ä
        {"\xC4", "\xE4", false},
        {"a b", "A B", true},
        {"a\tb", "a b", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.a << " / " << row.b);
        EXPECT_EQ(portableSameName(row.a, row.b), row.same);
        EXPECT_EQ(portableSameName(row.b, row.a), row.same);
        EXPECT_EQ(sameName(row.a, row.b), row.same);
    }
}

}  // namespace
