// Holds a file open from a second process while a test opens it.
//   instruction_file_holder PATH ACCESS SHARE READY RELEASE
// opens PATH with the access and share mode given in hexadecimal, signals
// the event named READY, and keeps the file open until the event named
// RELEASE is signalled (or a minute passed). Exits 1 when the file could
// not be opened, 2 on bad arguments.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) return 2;
    DWORD access = std::wcstoul(argv[2], nullptr, 16);
    DWORD share = std::wcstoul(argv[3], nullptr, 16);
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[4]);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[5]);
    if (!ready || !release) return 2;
    HANDLE file =
        CreateFileW(argv[1], access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    SetEvent(ready);
    WaitForSingleObject(release, 60000);
    CloseHandle(file);
    return 0;
}
