// Only the fixed wait: shows what starting any program under the same runner
// costs, below the floor.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Sleep(3000);
    ExitProcess(0);
}
