// Holds Wine's desktop for the whole benchmark session, as a user's desktop
// is always there on Windows. Without it Wine ends its desktop process
// during a bare-sleep run, and the next program to show anything pays about
// 0.2 s to start it again.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    GetDesktopWindow();
    Sleep(INFINITE);
    return 0;
}
