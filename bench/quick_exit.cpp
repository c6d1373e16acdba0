// Stands in for the updated application in the copy benchmark: padded to the
// size under test and started by the updater after the copy, it ends at once.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ExitProcess(0);
}
