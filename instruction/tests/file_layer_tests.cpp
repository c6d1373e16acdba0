// The four calls of instruction_file.h on real files under Wine: the three
// ways of opening, what is read from disk, and how long the file is held.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "instruction_file.h"
#include "reader_test_support.h"
#include "wide.h"

using namespace std::string_literals;

namespace {

const std::u16string fallback = u"<default>";

std::u16string folderOfThisProgram() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::u16string folder = utf16(path, length);
    return folder.substr(0, folder.find_last_of(u'\\') + 1);
}

// A folder of its own for each test, beside the test program.
class FileLayerTest : public testing::Test {
  protected:
    void SetUp() override {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "." + test->name();
        for (char& c : name) {
            if (c == '/') c = '_';
        }
        folder_ = folderOfThisProgram() + u"reader-files\\";
        CreateDirectoryW(wide(folder_), nullptr);
        folder_ += std::u16string(name.begin(), name.end()) + u"\\";
        CreateDirectoryW(wide(folder_), nullptr);
    }
    void TearDown() override {
        closeInstructionFile();
        for (const std::u16string& file : written_) {
            SetFileAttributesW(wide(file), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(wide(file));
        }
        RemoveDirectoryW(wide(folder_));
    }

    std::u16string write(const char16_t* name, const std::string& bytes) {
        std::u16string path = folder_ + name;
        HANDLE file = CreateFileW(wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        EXPECT_TRUE(
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        CloseHandle(file);
        written_.push_back(path);
        return path;
    }

    std::u16string folder_;
    std::vector<std::u16string> written_;
};

// Opens `path` as another program would, and closes it again.
bool othersCanOpen(const std::u16string& path, DWORD access, DWORD share) {
    HANDLE file = CreateFileW(wide(path), access, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

TEST_F(FileLayerTest, AMissingFileActsAsAnEmptyOneUntilClose) {
    EXPECT_FALSE(openInstructionFile(folder_ + u"QTV_Update.ini"));
    EXPECT_FALSE(selectGroup(u"FullPathName"));
    EXPECT_TRUE(selectGroup(u""));
    EXPECT_EQ(readString(u"Executable", fallback), fallback);
    closeInstructionFile();
    EXPECT_FALSE(selectGroup(u""));
    EXPECT_EQ(readString(u"Executable", fallback), fallback);
}

TEST_F(FileLayerTest, APathHoldingU0000OpensNothing) {
    std::u16string path = write(u"a", "[g]\nk=v");
    EXPECT_FALSE(openInstructionFile(path + u"\0.ini"s));
    EXPECT_FALSE(selectGroup(u"g"));
}

struct DiskCase {
    const char* what;
    std::string bytes;
    bool found;
    std::u16string value;
};

class FileEncodingTest : public FileLayerTest, public testing::WithParamInterface<DiskCase> {};

TEST_P(FileEncodingTest, ReadsTheValueFromDisk) {
    std::u16string path = write(u"QTV_Update.ini", GetParam().bytes);
    ASSERT_TRUE(openInstructionFile(path));
    EXPECT_EQ(selectGroup(u"FullPathName"), GetParam().found);
    EXPECT_EQ(readString(u"Executable", fallback), GetParam().value);
}

const DiskCase diskCases[] = {
    {"ISO-8859-1", "[FullPathName]\r\nExecutable=C:\\Programme\\M\xFCller\\QTV.exe\r\n", true,
     u"C:\\Programme\\M\u00FCller\\QTV.exe"},
    {"UTF-8 without the mark", "[FullPathName]\r\nExecutable=C:\\M\xC3\xBCller\\QTV.exe\r\n", true,
     u"C:\\M\u00C3\u00BCller\\QTV.exe"},
    {"UTF-8 with the mark", "\xEF\xBB\xBF[FullPathName]\r\nExecutable=C:\\M\xC3\xBCller\\QTV.exe",
     true, u"C:\\M\u00FCller\\QTV.exe"},
    {"UTF-16 with its mark", "\xFF\xFE[\0F\0u\0l\0l\0P\0a\0t\0h\0N\0a\0m\0e\0]\0"s, false,
     fallback},
    {"empty", "", false, fallback},
    {"only the mark", "\xEF\xBB\xBF", false, fallback},
    {"two bytes", "[F", false, fallback},
};

INSTANTIATE_TEST_SUITE_P(Disk, FileEncodingTest, testing::ValuesIn(diskCases), NameByWhat());

TEST_F(FileLayerTest, TheFileStaysOpenUntilClose) {
    std::u16string path = write(u"QTV_Update.ini", "[g]\r\nk=v\r\n");
    ASSERT_TRUE(openInstructionFile(path));
    // Held for reading and writing, sharing reading only.
    EXPECT_FALSE(othersCanOpen(path, GENERIC_READ, FILE_SHARE_READ));
    EXPECT_FALSE(othersCanOpen(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE));
    EXPECT_TRUE(othersCanOpen(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE));
    EXPECT_FALSE(DeleteFileW(wide(path)));
    // Reading does not release it.
    EXPECT_TRUE(selectGroup(u"g"));
    EXPECT_EQ(readString(u"k", fallback), u"v");
    EXPECT_FALSE(othersCanOpen(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE));

    closeInstructionFile();
    EXPECT_TRUE(othersCanOpen(path, GENERIC_WRITE, 0));
    EXPECT_FALSE(selectGroup(u"g"));
}

TEST_F(FileLayerTest, OpeningAgainReleasesTheFirstFile) {
    std::u16string first = write(u"first.ini", "[g]\nk=first");
    std::u16string second = write(u"second.ini", "[g]\nk=second");
    ASSERT_TRUE(openInstructionFile(first));
    ASSERT_TRUE(openInstructionFile(second));
    EXPECT_TRUE(othersCanOpen(first, GENERIC_WRITE, 0));
    EXPECT_FALSE(othersCanOpen(second, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE));
    ASSERT_TRUE(selectGroup(u"g"));
    EXPECT_EQ(readString(u"k", fallback), u"second");

    // A failed open releases the file open before it as well.
    EXPECT_FALSE(openInstructionFile(folder_ + u"missing.ini"));
    EXPECT_TRUE(othersCanOpen(second, GENERIC_WRITE, 0));
}

TEST_F(FileLayerTest, AReadOnlyFileIsRead) {
    // Windows refuses the first way here and the second one succeeds; Wine
    // run as root ignores the attribute, so there the first way succeeds.
    std::u16string path = write(u"QTV_Update.ini", "[g]\nk=v");
    ASSERT_TRUE(SetFileAttributesW(wide(path), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(openInstructionFile(path));
    ASSERT_TRUE(selectGroup(u"g"));
    EXPECT_EQ(readString(u"k", fallback), u"v");
}

std::u16string eventName(const wchar_t* role) {
    static int made = 0;
    wchar_t name[80];
    swprintf(name, 80, L"brindlewick-holder-%ls-%lu-%d", role, GetCurrentProcessId(), ++made);
    return utf16(name, wcslen(name));
}

// Another process holds the file open in the given way while we open it.
struct HolderCase {
    const char* what;
    DWORD access;
    DWORD share;
    bool opens;
};

class HeldFileTest : public FileLayerTest, public testing::WithParamInterface<HolderCase> {};

TEST_P(HeldFileTest, OpensWhenAnyWayIsLeft) {
    const HolderCase& c = GetParam();
    std::u16string path = write(u"QTV_Update.ini", "[FullPathName]\r\nExecutable=C:\\a.exe\r\n");

    std::u16string ready = eventName(L"ready");
    std::u16string release = eventName(L"release");
    HANDLE readyEvent = CreateEventW(nullptr, TRUE, FALSE, wide(ready));
    HANDLE releaseEvent = CreateEventW(nullptr, TRUE, FALSE, wide(release));
    ASSERT_TRUE(readyEvent && releaseEvent);

    wchar_t modes[32];
    swprintf(modes, 32, L"%lx %lx", c.access, c.share);
    std::u16string command = u"\"" + folderOfThisProgram() + u"instruction_file_holder.exe\" \"" +
                             path + u"\" " + utf16(modes, wcslen(modes)) + u" " + ready + u" " +
                             release;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(&command[0]), nullptr, nullptr,
                               FALSE, 0, nullptr, nullptr, &startup, &process));
    HANDLE waitFor[2] = {readyEvent, process.hProcess};
    ASSERT_EQ(WaitForMultipleObjects(2, waitFor, FALSE, 30000), WAIT_OBJECT_0)
        << "the holder could not open the file";

    EXPECT_EQ(openInstructionFile(path), c.opens);
    EXPECT_EQ(selectGroup(u"FullPathName"), c.opens);
    EXPECT_EQ(readString(u"Executable", fallback), c.opens ? u"C:\\a.exe" : fallback);
    closeInstructionFile();

    SetEvent(releaseEvent);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(readyEvent);
    CloseHandle(releaseEvent);
}

const HolderCase holderCases[] = {
    // Reading only, sharing reading: the second way.
    {"reader", GENERIC_READ, FILE_SHARE_READ, true},
    // Writing while sharing: only the third way is left.
    {"writer sharing all", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
    {"writer sharing reading", GENERIC_WRITE, FILE_SHARE_READ, true},
    {"reader and writer sharing reading", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, true},
    // Locked against reading: no way is left.
    {"exclusive", GENERIC_READ, 0, false},
    {"writer sharing writing only", GENERIC_WRITE, FILE_SHARE_WRITE, false},
};

INSTANTIATE_TEST_SUITE_P(Holders, HeldFileTest, testing::ValuesIn(holderCases), NameByWhat());

}  // namespace
