#include "launcher.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "sandbox.h"
#include "unique_handle.h"

namespace {

// What record_launch wrote about the process that launchProgram started.
struct Record {
    std::wstring commandLine;
    std::wstring directory;
    DWORD processId = 0;
    std::wstring go;
};

class LaunchProgram : public testing::Test {
  protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }

    void SetUp() override {
        GetCurrentDirectoryW(MAX_PATH, savedDirectory_);
        // The tests' own current directory differs from every program
        // folder, so that an inherited directory and a derived one differ.
        ASSERT_TRUE(CreateDirectoryW(home_.c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryW(home_.c_str()));
        SetEnvironmentVariableW(L"BRINDLEWICK_LAUNCH_RECORD", record_.c_str());
        SetEnvironmentVariableW(L"BRINDLEWICK_LAUNCH_GO", goName_.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"BRINDLEWICK_LAUNCH_RECORD", nullptr);
        SetEnvironmentVariableW(L"BRINDLEWICK_LAUNCH_GO", nullptr);
        SetCurrentDirectoryW(savedDirectory_);
    }

    // A copy of the recording helper in a folder of the sandbox.
    std::wstring installRecorder(const std::wstring& folder, const std::wstring& name) {
        CreateDirectoryW((sandbox_ / folder).c_str(), nullptr);
        const std::wstring path = sandbox_ / (folder + L"\\" + name);
        EXPECT_TRUE(CopyFileW((programFolder() + L"record_launch.exe").c_str(), path.c_str(), FALSE));
        return path;
    }

    // Waits for the started program's record, first letting it go on: a
    // launch that waited for its program would never have come back to
    // here, and the program would record "no go".
    bool awaitRecord(Record& out) {
        SetEvent(go_.get());
        for (int i = 0; i < 1000 && !fileExists(record_); ++i) Sleep(20);
        const std::string bytes = readFile(record_);
        DeleteFileW(record_.c_str());
        ResetEvent(go_.get());
        if (bytes == "<missing>") return false;
        const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()),
                                bytes.size() / sizeof(wchar_t));
        std::wstring lines[4];
        size_t start = 0;
        for (std::wstring& line : lines) {
            const size_t end = text.find(L'\n', start);
            if (end == std::wstring::npos) return false;
            line = text.substr(start, end - start);
            start = end + 1;
        }
        out = Record{lines[0], lines[1], static_cast<DWORD>(std::stoul(lines[2])), lines[3]};
        return true;
    }

    // A process object lives on while any handle to it is open: once the
    // program has ended and this test's own handle is closed, it can only be
    // opened again if someone still holds one. Wine lets go of an ended
    // process a little later, so the answer "gone" may take a moment.
    static bool processObjectOutlives(DWORD processId) {
        KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
        if (process) WaitForSingleObject(process.get(), 30000);
        process.reset();
        for (int i = 0; i < 150; ++i) {
            KernelHandle again(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
            if (!again) return false;
            again.reset();
            Sleep(20);
        }
        return true;
    }

    Sandbox sandbox_;
    const std::wstring home_ = sandbox_ / L"Current directory";
    const std::wstring record_ = sandbox_ / L"record.txt";
    const std::wstring goName_ = L"BrindlewickLaunchGo" + std::to_wstring(GetCurrentProcessId());
    KernelHandle go_{CreateEventW(nullptr, TRUE, FALSE, goName_.c_str())};

  private:
    wchar_t savedDirectory_[MAX_PATH] = {};
};

TEST_F(LaunchProgram, StartsTheProgramWithItsPathQuotedAndReturnsAtOnce) {
    const std::wstring spaced = installRecorder(L"Program Files", L"record launch.exe");
    const std::wstring plain = installRecorder(L"Apps", L"record_launch.exe");
    const std::wstring work = sandbox_ / L"Work";
    ASSERT_TRUE(CreateDirectoryW(work.c_str(), nullptr));
    const struct {
        const char* what;
        std::wstring program;
        const wchar_t* parameters;
        const wchar_t* directory;
        std::wstring commandLine;
        std::wstring currentDirectory;
    } cases[] = {
        // Wine quotes a path with blanks itself; only the plain path shows
        // whether the quotation marks are ours.
        {"path with spaces", spaced, L"", L"", L"\"" + spaced + L"\"", home_},
        {"path without blanks", plain, L"", L"", L"\"" + plain + L"\"", home_},
        {"path already quoted", L"\"" + spaced + L"\"", L"", L"", L"\"" + spaced + L"\"", home_},
        {"null parameters and directory", plain, nullptr, nullptr, L"\"" + plain + L"\"", home_},
        {"parameters after one space", plain, L"/restart two", L"",
         L"\"" + plain + L"\" /restart two", home_},
        {"a working directory", spaced, L"", work.c_str(), L"\"" + spaced + L"\"", work},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(launchProgram(c.program.c_str(), c.parameters, c.directory));
        Record started;
        ASSERT_TRUE(awaitRecord(started));
        EXPECT_EQ(started.commandLine, c.commandLine);
        EXPECT_EQ(started.directory, c.currentDirectory);
        EXPECT_EQ(started.go, L"go");
        EXPECT_FALSE(processObjectOutlives(started.processId)) << "a handle was left open";
    }
}

TEST_F(LaunchProgram, LeakedHandleWouldBeSeen) {
    // The check above against a process whose handle is deliberately kept.
    const std::wstring program = installRecorder(L"Apps", L"record_launch.exe");
    std::wstring line = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &started));
    KernelHandle kept(started.hProcess);
    CloseHandle(started.hThread);
    Record record;
    ASSERT_TRUE(awaitRecord(record));
    EXPECT_TRUE(processObjectOutlives(record.processId));
}

// A document of a type that only the shell can open: CreateProcessW refuses
// it, and the shell starts the recording helper for it through a file
// association registered for the test.
class LaunchThroughTheShell : public LaunchProgram {
  protected:
    void SetUp() override {
        LaunchProgram::SetUp();
        recorder_ = installRecorder(L"Recorder", L"record_launch.exe");
        const std::wstring command = L"\"" + recorder_ + L"\" \"%1\"";
        ASSERT_TRUE(setDefault(L".brindlewicklaunch", type_));
        ASSERT_TRUE(setDefault(type_ + L"\\shell\\open\\command", command));
        CreateDirectoryW(folder_.c_str(), nullptr);
        ASSERT_TRUE(writeFile(document_, "not a program"));
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L".brindlewicklaunch");
        RegDeleteTreeW(HKEY_CLASSES_ROOT, type_.c_str());
        LaunchProgram::TearDown();
    }
    static bool setDefault(const std::wstring& key, const std::wstring& value) {
        HKEY opened = nullptr;
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &opened, nullptr) != ERROR_SUCCESS) {
            return false;
        }
        const LONG set = RegSetValueExW(opened, nullptr, 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(value.c_str()),
                                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(opened);
        return set == ERROR_SUCCESS;
    }

    const std::wstring type_ = L"Brindlewick.LaunchRecord";
    const std::wstring folder_ = sandbox_ / L"Document folder";
    const std::wstring document_ = folder_ + L"\\letter.brindlewicklaunch";
    std::wstring recorder_;
};

TEST_F(LaunchThroughTheShell, DirectStartOfTheDocumentFails) {
    std::wstring line = L"\"" + document_ + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    EXPECT_FALSE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &started));
}

TEST_F(LaunchThroughTheShell, RunsInTheProgramsFolderUnlessADirectoryIsGiven) {
    const std::wstring work = sandbox_ / L"Work";
    ASSERT_TRUE(CreateDirectoryW(work.c_str(), nullptr));
    const struct {
        const char* what;
        const wchar_t* directory;
        std::wstring currentDirectory;
    } cases[] = {
        {"no directory: the document's own folder", L"", folder_},
        {"null directory: the same", nullptr, folder_},
        {"a directory given", work.c_str(), work},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(launchProgram(document_.c_str(), L"", c.directory));
        Record started;
        ASSERT_TRUE(awaitRecord(started));
        EXPECT_NE(started.commandLine.find(document_), std::wstring::npos) << started.commandLine;
        EXPECT_EQ(started.directory, c.currentDirectory);
        EXPECT_FALSE(processObjectOutlives(started.processId)) << "a handle was left open";
    }
}

TEST_F(LaunchProgram, NothingToStartIsFalse) {
    const std::wstring missing = sandbox_ / L"Not installed\\QTV.exe";
    EXPECT_FALSE(launchProgram(missing.c_str(), L"", L""));
    EXPECT_FALSE(fileExists(record_));
}

}  // namespace
