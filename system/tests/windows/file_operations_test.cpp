#include "file_operations.h"

#include <gtest/gtest.h>

#include <functional>

#include "sandbox.h"
#include "unique_handle.h"

namespace {

const std::string newBytes = "MZ Brindlewick version 2\r\n";
const std::string oldBytes = "MZ Brindlewick version 1, a little longer\r\n";

// The update's layout in small: the new executable in a temporary folder,
// the installed one in a folder of its own.
class CopyReplacing : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(temp_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(installed_.c_str(), nullptr));
        ASSERT_TRUE(writeFile(source_, newBytes));
    }

    // A path in the installed folder padded to exactly `length` units.
    std::wstring targetOfLength(size_t length, const std::wstring& extension = L".exe") const {
        const size_t fixed = installed_.size() + extension.size();
        return installed_ + std::wstring(length - fixed, L'q') + extension;
    }

    Sandbox sandbox_;
    const std::wstring temp_ = sandbox_ / L"Temp\\";
    const std::wstring installed_ = sandbox_ / L"Program Files\\";
    const std::wstring source_ = temp_ + L"QTV.exe";
    const std::wstring target_ = installed_ + L"QTV.exe";
};

TEST_F(CopyReplacing, PutsTheNewBytesInPlaceAndLeavesNothingElse) {
    const struct {
        const char* what;
        std::wstring target;
        bool existing;
    } cases[] = {
        {"over an existing file", target_, true},
        {"a new file in an existing folder", target_, false},
        {"over a file with a one-unit name", installed_ + L"q", true},
        {"a new file with a one-unit name", installed_ + L"q", false},
        {"over a file whose path has 259 units, the most Windows takes", targetOfLength(259), true},
        {"over a file with a long path in the \\\\?\\ form", L"\\\\?\\" + targetOfLength(300), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.existing) {
            ASSERT_TRUE(writeFile(c.target, oldBytes));
        }
        const std::wstring name = c.target.substr(c.target.rfind(L'\\') + 1);

        EXPECT_TRUE(copyReplacing(source_.c_str(), c.target.c_str()));
        EXPECT_EQ(readFile(c.target), newBytes);
        EXPECT_EQ(namesIn(installed_), std::vector<std::wstring>{name});
        EXPECT_EQ(readFile(source_), newBytes);
        DeleteFileW(c.target.c_str());
    }
}

TEST_F(CopyReplacing, HiddenTargetIsReplacedByAHiddenSource) {
    // CopyFileW's own rule: a hidden destination may be overwritten only by
    // a source that is hidden too.
    ASSERT_TRUE(writeFile(target_, oldBytes));
    ASSERT_TRUE(SetFileAttributesW(target_.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW(source_.c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(copyReplacing(source_.c_str(), target_.c_str()));
    EXPECT_EQ(readFile(target_), newBytes);
    EXPECT_EQ(namesIn(installed_), std::vector<std::wstring>{L"QTV.exe"});
}

TEST_F(CopyReplacing, FailsAndLeavesTheTargetAsItWas) {
    // Each case prepares the files and returns the source and destination
    // to copy. Windows' CopyFileW refuses a read-only, hidden or system
    // destination and paths of MAX_PATH units or more; Wine's does not, and
    // a rename over the target would not either, so these refusals are our
    // own code's and hold the same under Wine as on Windows.
    struct Paths {
        std::wstring source;
        std::wstring destination;
    };
    const struct {
        const char* what;
        std::function<Paths()> prepare;
    } cases[] = {
        {"the new file is missing",
         [&] {
             DeleteFileW(source_.c_str());
             return Paths{source_, target_};
         }},
        {"the target's folder is missing",
         [&] { return Paths{source_, installed_ + L"Not installed\\QTV.exe"}; }},
        {"the target is read-only",
         [&] {
             SetFileAttributesW(target_.c_str(), FILE_ATTRIBUTE_READONLY);
             return Paths{source_, target_};
         }},
        {"the target is hidden",
         [&] {
             SetFileAttributesW(target_.c_str(), FILE_ATTRIBUTE_HIDDEN);
             return Paths{source_, target_};
         }},
        {"the target is a system file",
         [&] {
             SetFileAttributesW(target_.c_str(), FILE_ATTRIBUTE_SYSTEM);
             return Paths{source_, target_};
         }},
        {"the target path has 260 units",
         [&] {
             const std::wstring target = targetOfLength(260);
             writeFile(target, oldBytes);
             return Paths{source_, target};
         }},
        {"the target path has 300 units",
         [&] {
             const std::wstring target = targetOfLength(300);
             writeFile(target, oldBytes);
             return Paths{source_, target};
         }},
        {"a new target whose path has 260 units",
         [&] { return Paths{source_, targetOfLength(260)}; }},
        {"the source path has 260 units",
         [&] {
             const std::wstring source =
                 temp_ + std::wstring(260 - temp_.size() - 4, L's') + L".exe";
             writeFile(source, newBytes);
             return Paths{source, target_};
         }},
        {"the target path is in quotation marks",
         [&] { return Paths{source_, L"\"" + target_ + L"\""}; }},
        {"the target is a folder",
         [&] {
             const std::wstring folder = installed_ + L"Folder.exe";
             CreateDirectoryW(folder.c_str(), nullptr);
             return Paths{source_, folder};
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        removeTree(installed_);
        ASSERT_TRUE(CreateDirectoryW(installed_.c_str(), nullptr));
        ASSERT_TRUE(writeFile(source_, newBytes));
        ASSERT_TRUE(writeFile(target_, oldBytes));
        const Paths paths = c.prepare();
        const std::vector<std::wstring> before = namesIn(installed_);
        const DWORD attributes = GetFileAttributesW(target_.c_str());
        const std::string destinationBytes = readFile(paths.destination);

        EXPECT_FALSE(copyReplacing(paths.source.c_str(), paths.destination.c_str()));
        EXPECT_EQ(readFile(target_), oldBytes);
        EXPECT_EQ(readFile(paths.destination), destinationBytes);
        EXPECT_EQ(GetFileAttributesW(target_.c_str()), attributes);
        EXPECT_EQ(namesIn(installed_), before);
        SetFileAttributesW(target_.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(CopyReplacing, FailsOnATargetInUse) {
    ASSERT_TRUE(writeFile(target_, oldBytes));
    FileHandle held(CreateFileW(target_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(copyReplacing(source_.c_str(), target_.c_str()));
    held.reset();
    EXPECT_EQ(readFile(target_), oldBytes);
    EXPECT_EQ(namesIn(installed_), std::vector<std::wstring>{L"QTV.exe"});
}

TEST_F(CopyReplacing, FailsOnARunningExecutable) {
    // The installed program still running is the commonest way for the
    // target to be in use.
    const std::wstring record = sandbox_ / L"record.txt";
    const std::wstring target = installed_ + L"record_launch.exe";
    ASSERT_TRUE(CopyFileW((programFolder() + L"record_launch.exe").c_str(), target.c_str(), TRUE));
    const std::string installedBytes = readFile(target);
    const std::wstring goName = L"BrindlewickRunningTarget" + std::to_wstring(GetCurrentProcessId());
    KernelHandle go(CreateEventW(nullptr, TRUE, FALSE, goName.c_str()));
    ASSERT_TRUE(go);
    SetEnvironmentVariableW(L"BRINDLEWICK_LAUNCH_RECORD", record.c_str());
    SetEnvironmentVariableW(L"BRINDLEWICK_LAUNCH_GO", goName.c_str());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION running = {};
    std::wstring line = L"\"" + target + L"\"";
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &running));
    KernelHandle process(running.hProcess);
    KernelHandle thread(running.hThread);
    SetEnvironmentVariableW(L"BRINDLEWICK_LAUNCH_GO", nullptr);

    EXPECT_FALSE(copyReplacing(source_.c_str(), target.c_str()));

    SetEvent(go.get());
    WaitForSingleObject(process.get(), 30000);
    EXPECT_EQ(readFile(target), installedBytes);
    EXPECT_EQ(namesIn(installed_), std::vector<std::wstring>{L"record_launch.exe"});
}

TEST_F(CopyReplacing, NullPathsFail) {
    ASSERT_TRUE(writeFile(target_, oldBytes));
    EXPECT_FALSE(copyReplacing(nullptr, target_.c_str()));
    EXPECT_FALSE(copyReplacing(source_.c_str(), nullptr));
    EXPECT_FALSE(copyReplacing(nullptr, nullptr));
    EXPECT_EQ(readFile(target_), oldBytes);
}

// Run by under_file_size_limit.sh with a file-size limit below the size of
// the new file, which the script made beforehand: the copy breaks off
// half-way, as on a full disk.
TEST(CopyReplacingCutShort, LeavesTheTargetByteForByteAndItsFolderClean) {
    const std::wstring folder = environment(L"BRINDLEWICK_CUT_SHORT_FOLDER");
    if (folder.empty()) GTEST_SKIP() << "run by under_file_size_limit.sh";
    const std::wstring source = folder + L"Temp\\QTV.exe";
    const std::wstring installed = folder + L"Program Files\\";
    const std::wstring target = installed + L"QTV.exe";
    const std::string reference = readFile(folder + L"reference.exe");
    ASSERT_EQ(readFile(target), reference);

    // The limit really cuts a copy short: done in place, it ruins the file.
    const std::wstring control = folder + L"Control\\QTV.exe";
    ASSERT_EQ(readFile(control), reference);
    EXPECT_FALSE(CopyFileW(source.c_str(), control.c_str(), FALSE));
    EXPECT_NE(readFile(control), reference);

    EXPECT_FALSE(copyReplacing(source.c_str(), target.c_str()));
    EXPECT_EQ(readFile(target), reference);
    EXPECT_EQ(namesIn(installed), std::vector<std::wstring>{L"QTV.exe"});
}

// Run by as_unprivileged_user.sh: as root Wine writes read-only files, so the
// read-only cases above only mean something where this holds.
TEST(UnprivilegedRun, ReadOnlyHolds) {
    if (environment(L"BRINDLEWICK_UNPRIVILEGED").empty()) {
        GTEST_SKIP() << "run by as_unprivileged_user.sh";
    }
    Sandbox sandbox;
    const std::wstring source = sandbox / L"new.exe";
    const std::wstring target = sandbox / L"old.exe";
    ASSERT_TRUE(writeFile(source, newBytes));
    ASSERT_TRUE(writeFile(target, oldBytes));
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(CopyFileW(source.c_str(), target.c_str(), FALSE));
    EXPECT_EQ(readFile(target), oldBytes);
}

class DeleteForced : public testing::Test {
  protected:
    Sandbox sandbox_;
    const std::wstring file_ = sandbox_ / L"QTV_Update.ini";
};

TEST_F(DeleteForced, RemovesAFileWhateverItsAttributes) {
    const struct {
        const char* what;
        DWORD attributes;
    } cases[] = {
        {"normal", FILE_ATTRIBUTE_NORMAL},
        {"read-only", FILE_ATTRIBUTE_READONLY},
        {"read-only, hidden and system",
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(writeFile(file_, "[FullPathName]\r\n"));
        ASSERT_TRUE(SetFileAttributesW(file_.c_str(), c.attributes));
        EXPECT_TRUE(deleteForced(file_.c_str()));
        EXPECT_FALSE(fileExists(file_));
    }
}

TEST_F(DeleteForced, MissingFileOrNullPathIsFalseAndChangesNothing) {
    const std::wstring other = sandbox_ / L"QTV.dat";
    ASSERT_TRUE(writeFile(other, "data"));
    EXPECT_FALSE(deleteForced(file_.c_str()));
    EXPECT_FALSE(deleteForced(nullptr));
    EXPECT_FALSE(fileExists(file_));
    EXPECT_EQ(namesIn(sandbox_.path()), std::vector<std::wstring>{L"QTV.dat"});
}

TEST_F(DeleteForced, FileInUseStaysButLosesItsAttributes) {
    ASSERT_TRUE(writeFile(file_, "[FullPathName]\r\n"));
    ASSERT_TRUE(SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    FileHandle held(CreateFileW(file_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(deleteForced(file_.c_str()));
    held.reset();
    EXPECT_TRUE(fileExists(file_));
    const DWORD attributes = GetFileAttributesW(file_.c_str());
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u) << attributes;
}

}  // namespace
