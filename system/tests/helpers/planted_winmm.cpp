// A stand-in winmm.dll, planted beside a program as an attacker would. It
// exports what the program looks for, and a marker that the real one lacks.
// Lean, so that windows.h does not declare the real timeBeginPeriod.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

extern "C" __declspec(dllexport) UINT WINAPI timeBeginPeriod(UINT) {
    return 0;
}

extern "C" __declspec(dllexport) int brindlewickPlantedMarker() {
    return 1;
}
