#include "sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "unique_handle.h"

std::wstring programFolder() {
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring folder(path, length);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

std::wstring environment(const wchar_t* name) {
    wchar_t value[4096];
    const DWORD length = GetEnvironmentVariableW(name, value, 4096);
    if (length == 0 || length >= 4096) return std::wstring();
    return std::wstring(value, length);
}

void removeTree(const std::wstring& folder) {
    std::wstring base = folder;
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((base + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = base + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    SetFileAttributesW(base.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(base.c_str());
}

Sandbox::Sandbox() {
    std::wstring root = environment(L"BRINDLEWICK_SANDBOX");
    if (root.empty()) root = programFolder() + L"sandbox";
    if (root.back() != L'\\') root += L'\\';
    CreateDirectoryW(root.c_str(), nullptr);
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    std::replace(name.begin(), name.end(), '/', '_');
    path_ = root + std::wstring(name.begin(), name.end()) + L"\\";
    removeTree(path_);
    if (!CreateDirectoryW(path_.c_str(), nullptr)) {
        ADD_FAILURE() << "cannot create the sandbox, error " << GetLastError();
    }
}

Sandbox::~Sandbox() {
    removeTree(path_);
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

std::string readFile(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return "<missing>";
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
        bytes.append(chunk, got);
    }
    return bytes;
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> namesIn(const std::wstring& folder) {
    std::wstring base = folder;
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((base + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}
