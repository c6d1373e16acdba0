#include "temporary_folder.h"

#include <gtest/gtest.h>

#include "sandbox.h"

namespace {

// GetTempPathW reads TMP, then TEMP, at each call: setting both in this
// process points it anywhere. The values the process started with come back
// afterwards.
class TemporaryFolder : public testing::Test {
  protected:
    void SetUp() override {
        savedTmp_ = environment(L"TMP");
        savedTemp_ = environment(L"TEMP");
    }
    void TearDown() override {
        restore(L"TMP", savedTmp_);
        restore(L"TEMP", savedTemp_);
    }
    static void pointAt(const std::wstring& folder) {
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        SetEnvironmentVariableW(L"TEMP", folder.c_str());
    }
    static void restore(const wchar_t* name, const std::wstring& value) {
        SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
    }
    static std::wstring shortForm(const std::wstring& path) {
        wchar_t buffer[32768];
        const DWORD length = GetShortPathNameW(path.c_str(), buffer, 32768);
        return length && length < 32768 ? std::wstring(buffer, length) : std::wstring();
    }

    Sandbox sandbox_;

  private:
    std::wstring savedTmp_;
    std::wstring savedTemp_;
};

TEST_F(TemporaryFolder, ShortFormComesBackLongWithItsBackslash) {
    const std::wstring folder = sandbox_ / L"Brindlewick temporary folder";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    // Wine's 8.3 names are hashed; whatever it gives is the short form.
    const std::wstring shortened = shortForm(folder);
    ASSERT_FALSE(shortened.empty());
    ASSERT_NE(shortened.find(L'~'), std::wstring::npos) << shortened;
    ASSERT_LT(shortened.size(), folder.size());

    pointAt(shortened + L"\\");
    EXPECT_EQ(temporaryFolder(), folder + L"\\");
}

TEST_F(TemporaryFolder, LongFormAndMissingBackslash) {
    const std::wstring folder = sandbox_ / L"Temp";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const struct {
        const char* what;
        std::wstring given;
    } cases[] = {
        {"long form with backslash", folder + L"\\"},
        {"without a backslash, which GetTempPathW adds", folder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        pointAt(c.given);
        EXPECT_EQ(temporaryFolder(), folder + L"\\");
    }
}

TEST_F(TemporaryFolder, MissingFolderGivesTheEmptyString) {
    pointAt(sandbox_ / L"Not there\\");
    EXPECT_EQ(temporaryFolder(), L"");
    // Also when only its short-looking name suggests it might exist.
    pointAt(sandbox_ / L"NOTTHE~1\\");
    EXPECT_EQ(temporaryFolder(), L"");
}

TEST_F(TemporaryFolder, PathTooLongForTheBufferGivesTheEmptyString) {
    // GetTempPathW then reports the size it would need; nothing of the path
    // may be read from a buffer it did not fill.
    const std::wstring folder = sandbox_.path() + std::wstring(300 - sandbox_.path().size(), L'x');
    pointAt(folder + L"\\");
    EXPECT_EQ(temporaryFolder(), L"");
}

TEST_F(TemporaryFolder, LongFormThatDoesNotFitGivesTheShortForm) {
    // Folders whose long form needs more than 260 units, whose short form
    // fits: the short form still names the folder.
    std::wstring folder = sandbox_.path();
    const std::wstring name(60, L'n');
    while (folder.size() <= 300) {
        folder += name;
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << GetLastError();
        folder += L'\\';
    }
    const std::wstring shortened = shortForm(folder);
    ASSERT_FALSE(shortened.empty());
    ASSERT_LT(shortened.size(), static_cast<size_t>(MAX_PATH)) << shortened;

    pointAt(shortened);
    EXPECT_EQ(temporaryFolder(), shortened);
}

// Run by a script that starts this program with WINETMP and WINETEMP set, as
// the updater is started: what the process got at start-up, not a variable
// set from inside.
TEST(TemporaryFolderFromStart, IsTheFolderTheProcessWasGiven) {
    const std::wstring expected = environment(L"BRINDLEWICK_EXPECTED_TEMPORARY_FOLDER");
    if (expected.empty()) GTEST_SKIP() << "run by temporary_folder_from_environment.sh";
    EXPECT_EQ(temporaryFolder(), expected);
}

}  // namespace
