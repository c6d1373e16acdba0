#include <windows.h>

#include "run_update.h"

// The command line is not read: everything the update needs is in the
// temporary folder.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { runUpdate(); }
