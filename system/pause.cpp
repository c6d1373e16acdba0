#include "pause.h"

#include <windows.h>

#include "unique_handle.h"

namespace {
using TimeBeginPeriodFunction = UINT(WINAPI*)(UINT);

bool raiseTimerResolution() {
    // winmm is not a KnownDLL. A static import, or a plain LoadLibraryW,
    // would take a winmm.dll planted beside the program first, and the
    // program runs elevated from a folder a user may write to.
    HMODULE winmm = LoadLibraryExW(L"winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!winmm) return false;
    const auto timeBeginPeriod = procedureOf<TimeBeginPeriodFunction>(winmm, "timeBeginPeriod");
    if (!timeBeginPeriod) {
        FreeLibrary(winmm);
        return false;
    }
    timeBeginPeriod(1);
    // The module stays loaded for the life of the process: the raised
    // resolution is never given back, and unloading winmm would.
    return true;
}
}  // namespace

void pauseMs(unsigned long milliseconds) {
    // A function-local static is initialised once even when several threads
    // arrive together.
    static const bool raised = raiseTimerResolution();
    (void)raised;
    Sleep(milliseconds);
}
