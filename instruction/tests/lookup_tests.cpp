// Finding a group and reading a value, and the reader's states around them.
#include <gtest/gtest.h>

#include <string>

#include "reader_test_support.h"

using namespace std::string_literals;

namespace {

const std::u16string fallback = u"<default>";

// One lookup: the file's bytes, the group to select (null: no selection),
// whether that succeeds, the key and the value read.
struct LookupCase {
    const char* what;
    std::string bytes;
    const char16_t* group;
    bool selected;
    std::u16string key;
    std::u16string value;
};

class LookupTest : public testing::TestWithParam<LookupCase> {};

TEST_P(LookupTest, ReadsTheValue) {
    const LookupCase& c = GetParam();
    InstructionFile file;
    loadBytes(file, c.bytes);
    if (c.group) {
        EXPECT_EQ(file.selectGroup(c.group), c.selected);
    }
    EXPECT_EQ(file.readString(c.key, fallback), c.value);
}

const LookupCase lookupCases[] = {
    {"case of ASCII letters is ignored", "[fullpathname]\nEXECUTABLE = C:\\x\\a.exe",
     u"FullPathName", true, u"Executable", u"C:\\x\\a.exe"},
    {"blanks around lines and value, words after the header",
     "  \n[FullPathName] some words\n\tExecutable=  C:\\a b\\c.exe   ", u"FullPathName", true,
     u"Executable", u"C:\\a b\\c.exe"},
    {"trailing tabs of the value go too", "[g]\nk=\t v \t\t", u"g", true, u"k", u"v"},
    {"semicolon inside a value", "[g]\nExecutable = a;b", u"g", true, u"Executable", u"a;b"},
    {"quotes and percent signs are taken literally", "[g]\nk=\"%TEMP%\\a\"", u"g", true, u"k",
     u"\"%TEMP%\\a\""},
    {"header without closing bracket", "[FullPathName\nExecutable=x", u"FullPathName", true,
     u"Executable", u"x"},
    {"key alone has an empty value", "[g]\nExecutable\r\nOther=1", u"g", true, u"Executable", u""},
    {"key before the first header is not in the group", "Executable=top\n[FullPathName]\nk=1",
     u"FullPathName", true, u"Executable", fallback},
    {"without a selection only the top is seen", "Executable=top\n[g]\nExecutable=in g", nullptr,
     true, u"Executable", u"top"},
    {"the empty name selects the top", "k=top\n[]\nk=inner", u"", true, u"k", u"top"},
    {"the next header ends the search", "[a]\n[b]\nk=1", u"a", true, u"k", fallback},
    {"comments are passed over", "[a]\n;k=2\nk=1", u"a", true, u"k", u"1"},
    {"only the first group of a name counts", "[g]\nother=1\n[G]\nk=second", u"g", true, u"k",
     fallback},
    {"only the first entry of a key counts", "[g]\nk=first\nK=second", u"g", true, u"k", u"first"},
    {"a missing group fails and reads give the default", "k=top\n[g]\nk=1", u"h", false, u"k",
     fallback},
    {"entry with an empty key", "=v", nullptr, true, u"", u"v"},

    // Texts beyond ASCII, in files with the mark unless said otherwise.
    {"non-ASCII letters are compared exactly", "\xEF\xBB\xBF[\xC3\x84]\nk=1", u"\u00E4", false,
     u"k", fallback},
    {"non-ASCII letter of the same case matches", "\xEF\xBB\xBF[\xC3\x84]\nk=1", u"\u00C4", true,
     u"k", u"1"},
    {"ASCII letters fold beside others",
     "\xEF\xBB\xBF[g]\nGR\xC3\xB6\xC3\x9F"
     "e=1",
     u"g", true, u"gr\u00F6\u00DFE", u"1"},
    {"ISO-8859-1 key found by its character", "[g]\n\xDC=\xFC", u"g", true, u"\u00DC", u"\u00FC"},
    {"UTF-8 without the mark gives two characters", "[g]\nk=M\xC3\xBC", u"g", true, u"k",
     u"M\u00C3\u00BC"},
    {"UTF-8 with the mark gives one", "\xEF\xBB\xBF[g]\nk=M\xC3\xBC", u"g", true, u"k", u"M\u00FC"},
    {"character beyond U+FFFF", "\xEF\xBB\xBFk=\xF0\x9F\x98\x80", nullptr, true, u"k",
     u"\U0001F600"},
    {"invalid byte becomes U+FFFD",
     "\xEF\xBB\xBFk=a\xFF"
     "b",
     nullptr, true, u"k", u"a\uFFFDb"},
    {"stray lead byte keeps what follows",
     "\xEF\xBB\xBFk=a\xF0"
     "b",
     nullptr, true, u"k", u"a\uFFFDb"},
    {"sequence cut short by the value's end", "\xEF\xBB\xBFk=a\xE2\x82\r\nj=1", nullptr, true, u"k",
     u"a\uFFFD"},
    {"encoded surrogate", "\xEF\xBB\xBFk=\xED\xA0\x80", nullptr, true, u"k", u"\uFFFD\uFFFD"},
    {"trailing blanks are removed after conversion", "\xEF\xBB\xBFk=\xC3 \t", nullptr, true, u"k",
     u"\uFFFD"},
    {"UTF-16 little endian with its mark", "\xFF\xFE[\0F\0u\0l\0l\0]\0"s, u"Full", false, u"k",
     fallback},
};

INSTANTIATE_TEST_SUITE_P(Values, LookupTest, testing::ValuesIn(lookupCases), NameByWhat());

TEST(LookupUtf16, AFileSavedAsUtf16NeverHasTheGroup) {
    const std::u16string text = u"[FullPathName]\r\nExecutable=C:\\a.exe\r\n";
    for (bool bigEndian : {false, true}) {
        for (bool mark : {false, true}) {
            SCOPED_TRACE(testing::Message() << "big endian " << bigEndian << ", mark " << mark);
            std::string bytes;
            for (char16_t unit : (mark ? u"\uFEFF" : u"") + text) {
                char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
                bytes += bigEndian ? std::string{high, low} : std::string{low, high};
            }
            InstructionFile file;
            loadBytes(file, bytes);
            EXPECT_FALSE(file.selectGroup(u"FullPathName"));
            EXPECT_EQ(file.readString(u"Executable", fallback), fallback);
        }
    }
}

TEST(LookupNames, ANameHoldingU0000MatchesNothing) {
    InstructionFile file;
    loadBytes(file, "k=top\n[Full\nk=in Full");
    EXPECT_EQ(file.readString(u"k\0x"s, fallback), fallback);
    EXPECT_FALSE(file.selectGroup(u"Full\0PathName"s));
    EXPECT_FALSE(file.selectGroup(u"\0"s));
    EXPECT_TRUE(file.selectGroup(u"Full"));
    EXPECT_EQ(file.readString(u"k", fallback), u"in Full");
}

TEST(LookupGroupMissing, ReadsGiveTheDefaultUntilAGroupIsFound) {
    InstructionFile file;
    loadBytes(file, "k=top\n[a]\nk=in a\n");
    ASSERT_TRUE(file.selectGroup(u"a"));
    EXPECT_FALSE(file.selectGroup(u"b"));
    EXPECT_EQ(file.readString(u"k", fallback), fallback);
    EXPECT_TRUE(file.selectGroup(u"A"));
    EXPECT_EQ(file.readString(u"k", fallback), u"in a");
    EXPECT_FALSE(file.selectGroup(u"b"));
    EXPECT_TRUE(file.selectGroup(u""));
    EXPECT_EQ(file.readString(u"k", fallback), u"top");
}

TEST(LookupEmptyHeader, AGroupWithNoNameCanNeverBeSelected) {
    InstructionFile file;
    loadBytes(file, "[]\nk=in the nameless group\n");
    EXPECT_TRUE(file.selectGroup(u""));
    EXPECT_EQ(file.readString(u"k", fallback), fallback);
}

TEST(LookupStates, NothingOpenBeforeLoadAndAfterClose) {
    InstructionFile file;
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(file.selectGroup(u""));
    EXPECT_EQ(file.readString(u"k", fallback), fallback);

    loadBytes(file, "k=1\n[g]\nj=2");
    EXPECT_TRUE(file.selectGroup(u"g"));
    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.nodeCount(), 0u);
    EXPECT_FALSE(file.selectGroup(u""));
    EXPECT_FALSE(file.selectGroup(u"g"));
    EXPECT_EQ(file.readString(u"k", fallback), fallback);
    file.close();
    EXPECT_FALSE(file.isOpen());
}

TEST(LookupStates, AFailedOpenActsAsAnEmptyFileUntilClose) {
    InstructionFile file;
    loadBytes(file, "k=1\n[g]\nj=2");
    file.loadNothing();
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(file.nodeCount(), 0u);
    EXPECT_FALSE(file.selectGroup(u"g"));
    EXPECT_TRUE(file.selectGroup(u""));
    EXPECT_EQ(file.readString(u"k", fallback), fallback);
    file.close();
    EXPECT_FALSE(file.selectGroup(u""));
}

TEST(LookupStates, LoadingAgainStartsFromTheTopWithTheFlagClear) {
    InstructionFile file;
    loadBytes(file, "[g]\nk=old");
    ASSERT_TRUE(file.selectGroup(u"g"));
    EXPECT_FALSE(file.selectGroup(u"missing"));
    loadBytes(file, "k=new\n[g]\nk=new in g");
    EXPECT_EQ(file.readString(u"k", fallback), u"new");
}

TEST(LookupStates, AnEmptyFileOpensWithoutTheGroup) {
    for (const char* bytes : {"", "\xEF\xBB\xBF"}) {
        SCOPED_TRACE(bytes);
        InstructionFile file;
        loadBytes(file, bytes);
        EXPECT_TRUE(file.isOpen());
        EXPECT_FALSE(file.selectGroup(u"FullPathName"));
        EXPECT_TRUE(file.selectGroup(u""));
    }
}

TEST(LookupProcessWide, TheOneStateIsShared) {
    loadBytes(instructionFile(), "[g]\nk=v");
    EXPECT_EQ(&instructionFile(), &instructionFile());
    EXPECT_TRUE(instructionFile().selectGroup(u"g"));
    EXPECT_EQ(instructionFile().readString(u"k", fallback), u"v");
    instructionFile().close();
}

}  // namespace
