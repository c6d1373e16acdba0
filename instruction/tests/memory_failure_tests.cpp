// Running out of memory is a result, never a crash: the file still counts as
// open, the nodes made so far stand, and a name that cannot be converted
// changes nothing.
#include <gtest/gtest.h>

#include <string>

#include "failing_memory.h"
#include "reader_test_support.h"

namespace {

const std::u16string fallback = u"<default>";

std::u16string ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

TEST(MemoryFailure, NoMemoryForTheContentOpensWithNoNodes) {
    for (const char* bytes : {"[FullPathName]\nExecutable=x", "\xEF\xBB\xBF[FullPathName]"}) {
        SCOPED_TRACE(bytes);
        InstructionFile file;
        {
            FailingMemory memory(0);
            loadBytes(file, bytes);
            EXPECT_EQ(memory.refused(), 1);
        }
        EXPECT_TRUE(file.isOpen());
        EXPECT_EQ(file.nodeCount(), 0u);
        EXPECT_FALSE(file.selectGroup(u"FullPathName"));
        EXPECT_TRUE(file.selectGroup(u""));
    }
}

TEST(MemoryFailure, TheNodesMadeBeforeTheFailureStand) {
    // After the mark no block is shrunk, so the allocations are the content,
    // the first block of nodes and then its growth, which fails.
    std::string bytes = "\xEF\xBB\xBF[g]\n";
    for (int i = 0; i < 40; ++i) bytes += "k" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    InstructionFile file;
    {
        FailingMemory memory(2);
        loadBytes(file, bytes);
        EXPECT_EQ(memory.refused(), 1);
    }
    // The group and the first entries were recorded, the rest not.
    ASSERT_GT(file.nodeCount(), 1u);
    ASSERT_LT(file.nodeCount(), 41u);
    std::size_t kept = file.nodeCount() - 1;
    ASSERT_TRUE(file.selectGroup(u"g"));
    EXPECT_EQ(file.readString(u"k0", fallback), u"0");
    EXPECT_EQ(file.readString(ascii("k" + std::to_string(kept - 1)), fallback),
              ascii(std::to_string(kept - 1)));
    EXPECT_EQ(file.readString(ascii("k" + std::to_string(kept)), fallback), fallback);
}

TEST(MemoryFailure, ANameWithoutMemoryChangesNothing) {
    InstructionFile file;
    loadBytes(file, "k=top\n[a]\nk=in a\n[b]\nk=in b");
    ASSERT_TRUE(file.selectGroup(u"a"));
    {
        FailingMemory memory(0);
        EXPECT_FALSE(file.selectGroup(u"b"));
        EXPECT_EQ(file.readString(u"k", fallback), fallback);
        EXPECT_GT(memory.refused(), 0);
    }
    // Neither the current group nor the group-missing flag moved.
    EXPECT_EQ(file.readString(u"k", fallback), u"in a");
}

TEST(MemoryFailure, AValueWithoutMemoryGivesTheDefault) {
    InstructionFile file;
    loadBytes(file, "[a]\nk=v");
    ASSERT_TRUE(file.selectGroup(u"a"));
    FailingMemory memory(1);  // the key converts, the value does not
    EXPECT_EQ(file.readString(u"k", fallback), fallback);
}

}  // namespace
