// Shows one message box, for checking notice_answerer itself:
//   notice_sample CAPTION TEXT STYLE     (STYLE as a number, e.g. 0x30)
// Exits with the button MessageBoxW returned.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return 100;
    return MessageBoxW(nullptr, argv[2], argv[1], wcstoul(argv[3], nullptr, 0));
}
