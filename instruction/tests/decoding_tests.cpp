// How the file's bytes become UTF-8: the byte-order mark, ISO-8859-1
// expansion, and reads that come back short.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "reader_test_support.h"

using namespace std::string_literals;

namespace {

struct DecodeCase {
    const char* what;
    std::string bytes;
    std::vector<std::string> nodes;  // texts in UTF-8
};

class DecodingTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodingTest, GivesUtf8) {
    InstructionFile file;
    loadBytes(file, GetParam().bytes);
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(nodesOf(file), GetParam().nodes);
}

const DecodeCase decodeCases[] = {
    {"ISO-8859-1 high byte becomes two bytes", "k=M\xFCller", {"k=M\xC3\xBCller"}},
    {"UTF-8 without the mark is read as ISO-8859-1",
     "k=M\xC3\xBCller",
     {"k=M\xC3\x83\xC2\xBCller"}},
    {"UTF-8 after the mark stays as it is", "\xEF\xBB\xBFk=M\xC3\xBCller", {"k=M\xC3\xBCller"}},
    {"invalid UTF-8 after the mark is kept for the lookup",
     "\xEF\xBB\xBFk=\xFF\xC0",
     {"k=\xFF\xC0"}},
    {"only the mark", "\xEF\xBB\xBF", {}},
    {"the mark and a line end", "\xEF\xBB\xBF\r\n", {}},
    {"two bytes of the mark are ISO-8859-1", "\xEF\xBB", {"\xC3\xAF\xC2\xBB="}},
    {"the mark later in the file is ISO-8859-1", "k=\xEF\xBB\xBF", {"k=\xC3\xAF\xC2\xBB\xC2\xBF"}},
    {"a mark of another kind is not recognised", "\xFE\xFFk=v", {"\xC3\xBE\xC3\xBFk=v"}},
    {"UTF-16 little endian with its mark", "\xFF\xFE[\0F\0]\0"s, {"\xC3\xBF\xC3\xBE[="}},
    {"UTF-16 big endian without mark", "\0[\0F\0]\0\n\0k\0=\0v"s, {"=", "="}},
    {"a single byte", "\xE4", {"\xC3\xA4="}},
};

INSTANTIATE_TEST_SUITE_P(Encodings, DecodingTest, testing::ValuesIn(decodeCases), NameByWhat());

TEST(DecodingLatin1, EveryByteExpandsToItsCharacter) {
    std::string bytes = "k=";
    std::string expected = "k=";
    for (int b = 0x21; b <= 0xFF; ++b) {
        bytes += static_cast<char>(b);
        if (b < 0x80) {
            expected += static_cast<char>(b);
        } else {
            expected += static_cast<char>(0xC0 | (b >> 6));
            expected += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    InstructionFile file;
    loadBytes(file, bytes);
    ASSERT_EQ(file.nodeCount(), 1u);
    EXPECT_EQ(nodesOf(file)[0], expected);
}

TEST(DecodingLatin1, AFileOfHighBytesOnlyDoublesInSize) {
    std::string bytes = "k=" + std::string(100000, '\xFF');
    InstructionFile file;
    loadBytes(file, bytes);
    ASSERT_EQ(file.nodeCount(), 1u);
    std::string value = file.node(0).value;
    ASSERT_EQ(value.size(), 200000u);
    EXPECT_EQ(value.find_first_not_of("\xC3\xBF"), std::string::npos);
}

// What a read that comes back short, or a rewind that fails, does to the
// content; the file's bytes are the same in every row.
struct ReadCase {
    const char* what;
    std::string bytes;
    std::size_t eachRead;  // 0: as much as asked for
    bool rewindFails;
    std::vector<std::string> nodes;
};

class ShortReadTest : public testing::TestWithParam<ReadCase> {};

TEST_P(ShortReadTest, DecodesWhatCame) {
    const ReadCase& c = GetParam();
    MemorySource source(c.bytes.data(), c.bytes.size());
    if (c.eachRead) source.limitEachRead(c.eachRead);
    if (c.rewindFails) source.failRewind();
    InstructionFile file;
    file.load(source);
    EXPECT_EQ(nodesOf(file), c.nodes);
}

const ReadCase readCases[] = {
    {"mark read whole in pieces of 3", "\xEF\xBB\xBFk=\xC3\xBC", 3, false, {"k=\xC3\xBC"}},
    {"mark cut short by the first read",
     "\xEF\xBB\xBFk=\xC3\xBC",
     2,
     false,
     {"\xC3\xAF\xC2\xBB\xC2\xBFk=\xC3\x83\xC2\xBC"}},
    {"Latin-1 read byte by byte", "a=1\nb=\xFC", 1, false, {"a=1", "b=\xC3\xBC"}},
    {"rewind fails: the bytes already read lead", "a=1\nb=\xFC", 0, true, {"a=1", "b=\xC3\xBC"}},
    {"rewind fails after a short first read", "a=1\nb=\xFC", 2, true, {"a=1", "b=\xC3\xBC"}},
    {"rewind fails on a two-byte file", "ab", 0, true, {"ab="}},
};

INSTANTIATE_TEST_SUITE_P(Reads, ShortReadTest, testing::ValuesIn(readCases), NameByWhat());

// The file layer reports more bytes than it can deliver, as when a file
// shrinks while it is read: what came is parsed.
class ShrinkingSource final : public InstructionSource {
  public:
    explicit ShrinkingSource(std::string bytes)
        : bytes_(std::move(bytes)), inner_(bytes_.data(), bytes_.size()) {}
    std::uint32_t size() override { return static_cast<std::uint32_t>(bytes_.size() + 1000); }
    std::size_t read(unsigned char* into, std::size_t count) override {
        return inner_.read(into, count);
    }
    bool rewind() override { return inner_.rewind(); }

  private:
    std::string bytes_;
    MemorySource inner_;
};

TEST(DecodingShortFile, ParsesWhatCameWhenTheFileIsShorterThanItsSize) {
    for (const char* bytes : {"k=\xFC", "\xEF\xBB\xBFk=\xC3\xBC"}) {
        SCOPED_TRACE(bytes);
        ShrinkingSource source(bytes);
        InstructionFile file;
        file.load(source);
        EXPECT_EQ(nodesOf(file), std::vector<std::string>{"k=\xC3\xBC"});
    }
}

}  // namespace
