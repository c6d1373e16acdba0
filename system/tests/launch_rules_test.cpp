#include "launch_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Builds the line in a buffer of exactly the advertised capacity, followed by
// guard units, so that a write past the capacity shows up.
std::u16string commandLine(std::u16string_view program, std::u16string_view parameters) {
    const size_t capacity = commandLineCapacity(program, parameters);
    const char16_t guard = 0xFDFD;
    std::vector<char16_t> buffer(capacity + 8, guard);
    const size_t length = writeCommandLine(program, parameters, buffer.data());
    EXPECT_LT(length, capacity);
    EXPECT_EQ(buffer[length], u'\0');
    for (size_t i = capacity; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], guard) << "unit " << i;
    return std::u16string(buffer.data(), length);
}

struct CommandLineCase {
    const char* what;
    std::u16string program;
    std::u16string parameters;
    std::u16string expected;
};

TEST(CommandLine, QuotesThePathUnlessItIsQuotedAlready) {
    const CommandLineCase cases[] = {
        {"path with spaces, no parameters", uR"(C:\Program Files\Brindlewick\QTV.exe)", u"",
         uR"("C:\Program Files\Brindlewick\QTV.exe")"},
        {"path without blanks", uR"(C:\Apps\QTV.exe)", u"", uR"("C:\Apps\QTV.exe")"},
        {"already quoted", uR"("C:\Program Files\QTV.exe")", u"", uR"("C:\Program Files\QTV.exe")"},
        {"a leading quotation mark alone is taken as quoted", uR"("C:\Apps\QTV.exe)", u"",
         uR"("C:\Apps\QTV.exe)"},
        {"quotation mark inside is not a leading one", uR"(C:\A "B"\QTV.exe)", u"",
         uR"("C:\A "B"\QTV.exe")"},
        {"one space before parameters", uR"(C:\Apps\QTV.exe)", u"/restart now",
         uR"("C:\Apps\QTV.exe" /restart now)"},
        {"quoted path with parameters", uR"("C:\Apps\QTV.exe")", u"-x", uR"("C:\Apps\QTV.exe" -x)"},
        {"parameters kept as they are, blanks included", u"a.exe", u"  two  ", u"\"a.exe\"   two  "},
        {"empty program", u"", u"", u"\"\""},
        {"empty program with parameters", u"", u"-x", u"\"\" -x"},
        {"non-ASCII units copied unchanged", u"C:\\\u00C4pfel\\\u65E5.exe", u"\u00DF",
         u"\"C:\\\u00C4pfel\\\u65E5.exe\" \u00DF"},
    };
    for (const CommandLineCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(commandLine(c.program, c.parameters), c.expected);
    }
}

TEST(CommandLine, CapacityLeavesRoomForQuotesSpaceAndTerminator) {
    EXPECT_EQ(commandLineCapacity(u"abc", u""), 7u);
    EXPECT_EQ(commandLineCapacity(u"abc", u"de"), 9u);
    // The longest line the rules can make fills the buffer exactly.
    EXPECT_EQ(commandLine(u"abc", u"de").size() + 1, commandLineCapacity(u"abc", u"de"));
}

TEST(CommandLine, CapacityThatWouldOverflowIsZero) {
    // Views of an impossible length: only their sizes are looked at.
    const char16_t unit = u'x';
    const size_t most = static_cast<size_t>(-1);
    const std::u16string_view huge(&unit, most - 3);
    EXPECT_EQ(commandLineCapacity(huge, u""), 0u);
    EXPECT_EQ(commandLineCapacity(u"", huge), 0u);
    const std::u16string_view half(&unit, most / 2);
    EXPECT_EQ(commandLineCapacity(half, half), 0u);
}

struct DirectoryCase {
    const char* what;
    std::u16string program;
    std::u16string expected;
};

TEST(ShellDirectory, IsTheProgramsFolderWithItsBackslash) {
    const DirectoryCase cases[] = {
        {"ordinary path", uR"(C:\Apps\x.exe)", uR"(C:\Apps\)"},
        {"spaces in the folder", uR"(C:\Program Files\Brindlewick\QTV.exe)",
         uR"(C:\Program Files\Brindlewick\)"},
        {"last backslash counts", uR"(C:\a\b\c\d.exe)", uR"(C:\a\b\c\)"},
        {"root folder", uR"(C:\x.exe)", uR"(C:\)"},
        {"quoted path keeps its quotation mark", uR"("C:\Apps\x.exe")", uR"("C:\Apps\)"},
        {"network path", uR"(\\server\share\x.exe)", uR"(\\server\share\)"},
        {"trailing backslash", uR"(C:\Apps\)", uR"(C:\Apps\)"},
        {"backslash as second unit", uR"(a\b)", uR"(a\)"},
        {"no backslash", u"x.exe", u""},
        {"forward slashes are not separators here", u"C:/Apps/x.exe", u""},
        {"only backslash is the first unit", uR"(\x.exe)", u""},
        {"a lone backslash", uR"(\)", u""},
        {"empty path", u"", u""},
    };
    for (const DirectoryCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(std::u16string(shellDirectoryFor(c.program)), c.expected);
    }
}

TEST(ShellDirectory, FitsInTheCommandLineBuffer) {
    // The launcher writes the directory into the command-line buffer.
    const std::u16string program = uR"(C:\Program Files\x.exe)";
    EXPECT_LT(shellDirectoryFor(program).size(), commandLineCapacity(program, u""));
}

}  // namespace
