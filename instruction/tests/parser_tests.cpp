// How lines become nodes: every rule of the format, each case a few bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader_test_support.h"

using namespace std::string_literals;

namespace {

struct ParseCase {
    const char* what;
    std::string bytes;
    std::vector<std::string> nodes;
};

class ParserTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParserTest, RecordsTheLines) {
    InstructionFile file;
    loadBytes(file, GetParam().bytes);
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(nodesOf(file), GetParam().nodes);
}

const ParseCase parseCases[] = {
    {"nothing at all", "", {}},
    {"only line ends and blanks", "\r\n  \t\n\r\r\n\t", {}},
    {"blanks before each kind of line", "  [g]\n\t;c\n \tk=v", {"[g]", ";c", "k=v"}},

    {"comment skips one space only", ";  one space left", {"; one space left"}},
    {"comment without space", ";text", {";text"}},
    {"comment that is empty", ";\n;", {";", ";"}},
    {"comment holding equals and brackets", "; [x] a=b", {";[x] a=b"}},

    {"header without closing bracket", "[FullPathName\nk=v", {"[FullPathName]", "k=v"}},
    {"header name is not trimmed", "[ a b ]", {"[ a b ]"}},
    {"words after the bracket are ignored", "[g] trailing = words ;x\nk=v", {"[g]", "k=v"}},
    {"name ends at the first right bracket", "[a]b]", {"[a]"}},
    {"empty header", "[]", {"[]"}},
    {"header of a lone bracket at the end", "[", {"[]"}},

    {"entry blanks: key trimmed, value keeps its end", "key \t= \t value \t ", {"key=value \t "}},
    {"key without equals sign has an empty value", "Executable\nnext=1", {"Executable=", "next=1"}},
    {"key without equals sign loses trailing blanks", "Executable \t\r\n", {"Executable="}},
    {"line starting with equals sign has an empty key", "=v", {"=v"}},
    {"equals sign and nothing after it", "k=\nj=  ", {"k=", "j="}},
    {"inside a value nothing is special", "a=b=c;d[e]#f", {"a=b=c;d[e]#f"}},
    {"semicolon and bracket inside a key", "a;b=1\na[b]=2", {"a;b=1", "a[b]=2"}},
    {"number sign starts no comment", "#k=v", {"#k=v"}},
    {"header right after a lone key, LF only",
     "Executable\n[FullPathName]",
     {"Executable=", "[FullPathName]"}},

    {"any mix of line ends",
     "a=1\r\nb=2\n\rc=3\rd=4\n\n\r\re=5",
     {"a=1", "b=2", "c=3", "d=4", "e=5"}},

    // A zero byte ends its piece; the rest of its line is recorded nowhere,
    // and the next line is read as usual.
    {"zero byte in a group name", "[Fu\0ll]\nk=v"s, {"[Fu]", "k=v"}},
    {"zero byte in a key", "Exe\0cutable=x\nk=v"s, {"Exe=", "k=v"}},
    {"zero byte in a value", "k=va\0lue [g]\nj=w"s, {"k=va", "j=w"}},
    {"zero byte in a comment", ";co\0mment\n[g]"s, {";co", "[g]"}},
    {"zero byte hides a header on its line", "k=v\0\n[g]\0[h]"s, {"k=v", "[g]"}},
    {"zero byte first on a line", "  \0[g]\nk=v"s, {"=", "k=v"}},
    {"zero byte in the blanks before a value", "k= \0 v"s, {"k="}},
};

INSTANTIATE_TEST_SUITE_P(Lines, ParserTest, testing::ValuesIn(parseCases), NameByWhat());

TEST(ParserLineEnds, EveryKindOfLineEndGivesTheSameNodes) {
    const char* lines[] = {
        "  ; note", "[FullPathName] x", "Executable = C:\\a b\\c.exe  ", "", "Lone", "=v"};
    const std::vector<std::string> expected = {";note", "[FullPathName]",
                                               "Executable=C:\\a b\\c.exe  ", "Lone=", "=v"};
    for (const char* lineEnd : {"\n", "\r", "\r\n", "\n\r", "\r\n\r\n"}) {
        SCOPED_TRACE(testing::PrintToString(std::string(lineEnd)));
        std::string bytes;
        for (const char* line : lines) bytes += std::string(line) + lineEnd;
        InstructionFile file;
        loadBytes(file, bytes);
        EXPECT_EQ(nodesOf(file), expected);
    }
}

TEST(ParserLimits, LongLinesAndManyLinesAreKeptWhole) {
    std::string bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += "k" + std::to_string(i) + "=" + std::string(300, 'v') + "\n";
    InstructionFile file;
    loadBytes(file, bytes);
    ASSERT_EQ(file.nodeCount(), 5000u);
    EXPECT_EQ(nodesOf(file)[4999], "k4999=" + std::string(300, 'v'));
}

}  // namespace
