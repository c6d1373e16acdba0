// The floor of an update run: what every faithful run of the updater must do
// and nothing more. The updater is measured against this program, so
// anything it adds shows as the difference. Built with FLOOR_NOTICE it also
// shows the success box, the floor of a run that updates.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, 0x0B48};
    InitCommonControlsEx(&controls);
    CoInitialize(nullptr);
    Sleep(3000);
#ifdef FLOOR_NOTICE
    MessageBoxW(nullptr, L"Brindlewick wurde erfolgreich aktualisiert!", L"Brindlewick Updater",
                MB_ICONINFORMATION);
#endif
    ExitProcess(0);
}
