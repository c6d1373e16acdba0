// A stand-in for a DLL that someone planted beside the updater. It exports
// nothing and does nothing but leave a mark: when any process loads it, it
// writes "<its own path>.loaded" with the loading program's path, so the test
// can tell which name was picked up and by whom.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t marker[MAX_PATH + 8];
    DWORD length = GetModuleFileNameW(self, marker, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    lstrcpyW(marker + length, L".loaded");
    HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    wchar_t program[MAX_PATH];
    DWORD programLength = GetModuleFileNameW(nullptr, program, MAX_PATH);
    DWORD written = 0;
    WriteFile(file, program, programLength * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    return TRUE;
}
