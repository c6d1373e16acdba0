#include "pause.h"

#include <windows.h>

#include <atomic>

#include "unique_handle.h"

namespace {
using TimeBeginPeriodFunction = UINT(WINAPI*)(UINT);

void raiseTimerResolution() {
    // winmm is not a KnownDLL. A static import, or a plain LoadLibraryW,
    // would take a winmm.dll planted beside the program first, and the
    // program runs elevated from a folder a user may write to.
    HMODULE winmm = LoadLibraryExW(L"winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!winmm) return;
    const auto timeBeginPeriod = procedureOf<TimeBeginPeriodFunction>(winmm, "timeBeginPeriod");
    if (!timeBeginPeriod) {
        FreeLibrary(winmm);
        return;
    }
    timeBeginPeriod(1);
    // The module stays loaded for the life of the process: the raised
    // resolution is never given back, and unloading winmm would.
}
}  // namespace

void pauseMs(unsigned long milliseconds) {
    // Set before the attempt, so that the resolution is raised once at most,
    // whichever thread comes first; a lock-free flag needs no runtime lock.
    static std::atomic<bool> attempted{false};
    if (!attempted.exchange(true)) raiseTimerResolution();
    Sleep(milliseconds);
}
