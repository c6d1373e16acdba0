// The floor of a silent update run: what every faithful run of the updater
// must do and nothing more. The updater's own silent run is measured against
// this program, so anything it adds shows as the difference.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, 0x0B48};
    InitCommonControlsEx(&controls);
    CoInitialize(nullptr);
    Sleep(3000);
    ExitProcess(0);
}
