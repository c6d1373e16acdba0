#include "run_update.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "update_flow.h"
#include "win32_update_services.h"

void runUpdate() {
    // The updater runs elevated and may be started from a folder the user
    // can write to. From here on, libraries are looked for in System32 only,
    // never beside the program, where a planted copy could wait.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES | ICC_USEREX_CLASSES |
                     ICC_INTERNET_CLASSES;
    static_assert(sizeof controls == 8, "INITCOMMONCONTROLSEX");
    InitCommonControlsEx(&controls);
    // The shell fallback of the launcher needs COM on this thread. It stays
    // initialised until the process ends.
    CoInitialize(nullptr);

    Win32UpdateServices services;
    performUpdate(services);
    ExitProcess(0);
}
