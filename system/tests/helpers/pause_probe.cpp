// Waits with pauseMs from a folder that holds a planted winmm.dll, then
// checks that the winmm in the process is the one from System32. Run with
// WINEDLLOVERRIDES=winmm=n,b: Wine then searches for winmm on disk the way
// Windows does, program folder first, instead of taking its built-in one.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "pause.h"

namespace {
int failures = 0;

void check(bool condition, const char* what) {
    if (!condition) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}
}  // namespace

int main() {
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    pauseMs(50);
    pauseMs(50);
    QueryPerformanceCounter(&after);
    const double elapsedMs =
        1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) / frequency.QuadPart;
    // Loose bounds only: the behaviour is a wait, not a speed.
    check(elapsedMs >= 90.0, "two waits of 50 ms took at least 90 ms");
    check(elapsedMs < 10000.0, "two waits of 50 ms ended");

    HMODULE winmm = GetModuleHandleW(L"winmm.dll");
    check(winmm != nullptr, "winmm is loaded after a wait");
    if (winmm) {
        check(GetProcAddress(winmm, "brindlewickPlantedMarker") == nullptr,
              "the loaded winmm is not the planted one");
        wchar_t loaded[MAX_PATH], system[MAX_PATH];
        const DWORD loadedLength = GetModuleFileNameW(winmm, loaded, MAX_PATH);
        const UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
        check(loadedLength > systemLength && _wcsnicmp(loaded, system, systemLength) == 0 &&
                  loaded[systemLength] == L'\\',
              "the loaded winmm comes from System32");
        std::printf("winmm loaded from %ls\n", loaded);
    }

    // The plant must be a working DLL, or the check above proves nothing.
    wchar_t own[MAX_PATH];
    const DWORD ownLength = GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring planted(own, ownLength);
    planted = planted.substr(0, planted.rfind(L'\\') + 1) + L"winmm.dll";
    HMODULE plant = LoadLibraryExW(planted.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    check(plant && GetProcAddress(plant, "brindlewickPlantedMarker"),
          "the planted winmm.dll loads when asked for by its path");

    std::printf(failures ? "%d check(s) failed\n" : "all checks passed\n", failures);
    return failures ? 1 : 0;
}
