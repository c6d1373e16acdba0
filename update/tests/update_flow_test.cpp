// The update run's decisions, driven through a fake that records every call
// with its arguments and answers as each case tells it to.
#include "update_flow.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// UTF-8 of a UTF-16 string, so that records print readably on failure.
std::string utf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned long unit = text[i];
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size()) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit < 0x800) {
            out += static_cast<char>(0xC0 | (unit >> 6));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        } else if (unit < 0x10000) {
            out += static_cast<char>(0xE0 | (unit >> 12));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (unit >> 18));
            out += static_cast<char>(0x80 | ((unit >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
    return out;
}

std::string hex(unsigned int value) {
    const char digits[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "0x" + out;
}

// What the fake answers. A reader that opens the file but has no group or
// no key is modelled the way the real one behaves: reads give the fallback.
struct World {
    std::u16string folder = u"C:\\Users\\Ada\\AppData\\Local\\Temp\\";
    bool instructionFileOpens = true;
    bool groupFound = true;
    std::map<std::u16string, std::u16string> entries{
        {u"Executable", u"C:\\Program Files\\Brindlewick\\QTV.exe"}};
    bool copySucceeds = true;
    bool deletionsSucceed = true;
    int noticeAnswer = 1;  // IDOK
    bool launchSucceeds = true;
};

class RecordingServices final : public UpdateServices {
  public:
    explicit RecordingServices(World world) : world_(std::move(world)) {}

    std::vector<std::string> calls;

    void pauseMs(unsigned long milliseconds) override {
        calls.push_back("pauseMs(" + std::to_string(milliseconds) + ")");
    }
    std::u16string temporaryFolder() override {
        calls.push_back("temporaryFolder()");
        return world_.folder;
    }
    bool openInstructionFile(const std::u16string& path) override {
        calls.push_back("openInstructionFile(" + utf8(path) + ")");
        open_ = true;
        return world_.instructionFileOpens;
    }
    bool selectGroup(const std::u16string& name) override {
        calls.push_back("selectGroup(" + utf8(name) + ")");
        groupSelected_ = open_ && world_.instructionFileOpens && world_.groupFound;
        return groupSelected_;
    }
    std::u16string readString(const std::u16string& key, const std::u16string& fallback) override {
        calls.push_back("readString(" + utf8(key) + "|" + utf8(fallback) + ")");
        if (!groupSelected_) return fallback;
        auto entry = world_.entries.find(key);
        return entry == world_.entries.end() ? fallback : entry->second;
    }
    void closeInstructionFile() override {
        calls.push_back("closeInstructionFile()");
        open_ = groupSelected_ = false;
    }
    bool copyReplacing(const std::u16string& source, const std::u16string& destination) override {
        calls.push_back("copyReplacing(" + utf8(source) + "|" + utf8(destination) + ")");
        return world_.copySucceeds;
    }
    bool deleteForced(const std::u16string& path) override {
        calls.push_back("deleteForced(" + utf8(path) + ")");
        return world_.deletionsSucceed;
    }
    int showNotice(const std::u16string& caption, const std::u16string& text,
                   unsigned int style) override {
        calls.push_back("showNotice(" + utf8(caption) + "|" + utf8(text) + "|" + hex(style) + ")");
        return world_.noticeAnswer;
    }
    bool launchProgram(const std::u16string& program, const std::u16string& parameters,
                       const std::u16string& directory) override {
        calls.push_back("launchProgram(" + utf8(program) + "|" + utf8(parameters) + "|" +
                        utf8(directory) + ")");
        return world_.launchSucceeds;
    }

  private:
    World world_;
    bool open_ = false;
    bool groupSelected_ = false;
};

std::vector<std::string> run(const World& world) {
    RecordingServices services(world);
    performUpdate(services);
    return services.calls;
}

const std::string T = "C:\\Users\\Ada\\AppData\\Local\\Temp\\";
const std::string target = "C:\\Program Files\\Brindlewick\\QTV.exe";

// The calls every run makes before it knows its target.
std::vector<std::string> reading(const std::string& folder = T) {
    return {"pauseMs(3000)",
            "temporaryFolder()",
            "openInstructionFile(" + folder + "QTV_Update.ini)",
            "selectGroup(FullPathName)",
            "readString(Executable|)",
            "closeInstructionFile()"};
}

std::vector<std::string> operator+(std::vector<std::string> head,
                                   const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

std::vector<std::string> succeeding(const std::string& folder, const std::string& path) {
    return {"copyReplacing(" + folder + "QTV.exe|" + path + ")",
            "showNotice(Brindlewick Updater|Brindlewick wurde erfolgreich aktualisiert!|0x40)",
            "deleteForced(" + folder + "QTV_Update.ini)",
            "deleteForced(" + folder + "QTV.dat)",
            "deleteForced(" + folder + "QTV.exe)",
            "launchProgram(" + path + "||)"};
}

const std::string shutdownRelease = "closeInstructionFile()";

TEST(UpdateFlow, SuccessShowsTheBoxThenCleansUpInOrderAndStartsTheTarget) {
    const auto expected = reading() + succeeding(T, target) + std::vector{shutdownRelease};
    EXPECT_EQ(run(World{}), expected);
}

// Whatever goes wrong after the copy, every later step still happens.
TEST(UpdateFlow, FailedDeletionsStartsAndUnshownBoxesStopNothing) {
    World world;
    world.deletionsSucceed = false;
    world.launchSucceeds = false;
    world.noticeAnswer = 0;
    const auto expected = reading() + succeeding(T, target) + std::vector{shutdownRelease};
    EXPECT_EQ(run(world), expected);
}

TEST(UpdateFlow, FailedCopyWarnsAndTouchesNothingElse) {
    World world;
    world.copySucceeds = false;
    const auto expected =
        reading() + std::vector<std::string>{
                        "copyReplacing(" + T + "QTV.exe|" + target + ")",
                        "showNotice(Brindlewick Updater|Brindlewick konnte nicht aktualisiert "
                        "werden!|0x30)",
                        shutdownRelease};
    EXPECT_EQ(run(world), expected);
}

struct SilentCase {
    const char* name;
    World world;
    std::vector<std::string> calls;
};

// Without a target the run waits, reads and ends: no copy, box, deletion or
// start. A failed open is followed by no close of its own, only the release
// at shutdown.
TEST(UpdateFlow, RunsWithoutATargetEndSilently) {
    World noFile;
    noFile.instructionFileOpens = false;
    World noGroup;
    noGroup.groupFound = false;
    World noKey;
    noKey.entries = {{u"executable2", u"C:\\x.exe"}};
    World emptyValue;
    emptyValue.entries = {{u"Executable", u""}};
    const SilentCase cases[] = {
        {"no instruction file",
         noFile,
         {"pauseMs(3000)", "temporaryFolder()", "openInstructionFile(" + T + "QTV_Update.ini)",
          shutdownRelease}},
        {"no group",
         noGroup,
         {"pauseMs(3000)", "temporaryFolder()", "openInstructionFile(" + T + "QTV_Update.ini)",
          "selectGroup(FullPathName)", "closeInstructionFile()", shutdownRelease}},
        {"no key", noKey, reading() + std::vector{shutdownRelease}},
        {"empty value", emptyValue, reading() + std::vector{shutdownRelease}},
    };
    for (const SilentCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c.world), c.calls);
    }
}

struct PathCase {
    const char* name;
    std::u16string folder;
    std::u16string value;
    std::string folderSeen;
    std::string targetSeen;
};

// Paths are joined by plain concatenation and the value is used exactly as
// read: no separator added, nothing unquoted, expanded or prefixed.
TEST(UpdateFlow, PathsAreUsedExactlyAsGiven) {
    const PathCase cases[] = {
        {"empty folder gives bare names", u"", u"C:\\App\\QTV.exe", "", "C:\\App\\QTV.exe"},
        {"folder without backslash is not mended", u"C:\\Temp", u"C:\\App\\QTV.exe", "C:\\Temp",
         "C:\\App\\QTV.exe"},
        {"quoted value keeps its quotation marks", u"C:\\T\\", u"\"C:\\App Dir\\QTV.exe\"",
         "C:\\T\\", "\"C:\\App Dir\\QTV.exe\""},
        {"non-ASCII and environment-like text stay", u"C:\\T\\",
         u"C:\\Users\\J\u00F6rg\\%APPDATA%\\\U0001F600.exe", "C:\\T\\",
         "C:\\Users\\J\xC3\xB6rg\\%APPDATA%\\\xF0\x9F\x98\x80.exe"},
        {"relative value", u"C:\\T\\", u"QTV.exe", "C:\\T\\", "QTV.exe"},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.name);
        World world;
        world.folder = c.folder;
        world.entries = {{u"Executable", c.value}};
        const auto expected = reading(c.folderSeen) + succeeding(c.folderSeen, c.targetSeen) +
                              std::vector{shutdownRelease};
        EXPECT_EQ(run(world), expected);
    }
}

}  // namespace
