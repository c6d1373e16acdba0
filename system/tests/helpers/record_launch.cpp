// Started by the launcher tests. Writes what it was started with to the file
// named by BRINDLEWICK_LAUNCH_RECORD, one item a line, in UTF-16: its command
// line, its current directory, its process id and whether the event named by
// BRINDLEWICK_LAUNCH_GO (when that is set) was signalled within 30 s. The
// record appears in one step, so a reader never sees half of it.
#include <windows.h>

#include <string>

namespace {
std::wstring variable(const wchar_t* name) {
    wchar_t value[2048];
    const DWORD length = GetEnvironmentVariableW(name, value, 2048);
    return length && length < 2048 ? std::wstring(value, length) : std::wstring();
}
}  // namespace

int wmain() {
    const std::wstring record = variable(L"BRINDLEWICK_LAUNCH_RECORD");
    if (record.empty()) return 2;

    std::wstring go = L"-";
    const std::wstring goName = variable(L"BRINDLEWICK_LAUNCH_GO");
    if (!goName.empty()) {
        HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, goName.c_str());
        go = event && WaitForSingleObject(event, 30000) == WAIT_OBJECT_0 ? L"go" : L"no go";
        if (event) CloseHandle(event);
    }

    wchar_t directory[MAX_PATH * 2];
    const DWORD directoryLength = GetCurrentDirectoryW(MAX_PATH * 2, directory);
    const std::wstring text = std::wstring(GetCommandLineW()) + L"\n" +
                              std::wstring(directory, directoryLength) + L"\n" +
                              std::to_wstring(GetCurrentProcessId()) + L"\n" + go + L"\n";

    const std::wstring part = record + L".part";
    HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
              nullptr);
    CloseHandle(file);
    return MoveFileExW(part.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
