#pragma once
// Real files for the tests under Wine: each test gets a fresh folder of its
// own and a few small helpers to fill and inspect it.
#include <windows.h>

#include <string>
#include <vector>

// The folder of the running test program, with its trailing backslash.
std::wstring programFolder();

// A fresh, empty folder for the current test, removed again at the end. It
// lies under BRINDLEWICK_SANDBOX when that names a folder (a run as another
// user needs one it may write), otherwise beside the test program.
class Sandbox {
  public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // The folder, with its trailing backslash.
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + name; }

  private:
    std::wstring path_;
};

bool writeFile(const std::wstring& path, const std::string& bytes);
// The file's bytes, or "<missing>" when it cannot be read.
std::string readFile(const std::wstring& path);
bool fileExists(const std::wstring& path);
// The names in a folder, "." and ".." left out, sorted.
std::vector<std::wstring> namesIn(const std::wstring& folder);
// Removes a folder and everything in it, read-only files included.
void removeTree(const std::wstring& folder);
// The value of an environment variable, empty when it is not set.
std::wstring environment(const wchar_t* name);
