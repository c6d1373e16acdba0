#include "temporary_folder.h"

#include <windows.h>

#include "unique_handle.h"

namespace {
using GetLongPathNameFunction = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
}

std::wstring temporaryFolder() {
    wchar_t found[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, found);
    // 0 is a failure and anything from MAX_PATH up is the size the path would
    // need: either way the buffer holds no path to hand on.
    if (length == 0 || length >= MAX_PATH) return std::wstring();

    // kernel32 is a KnownDLL, but the program runs elevated from a folder a
    // user may write to: ask for System32 by name so that no search order
    // ever comes into it.
    ModuleHandle kernel(LoadLibraryExW(L"Kernel32.DLL", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!kernel) return std::wstring(found, length);
    const auto getLongPathName =
        procedureOf<GetLongPathNameFunction>(kernel.get(), "GetLongPathNameW");
    if (!getLongPathName) return std::wstring(found, length);

    // A separate buffer, so that a long form that does not fit cannot leave
    // the short one half overwritten.
    wchar_t longForm[MAX_PATH];
    const DWORD longLength = getLongPathName(found, longForm, MAX_PATH);
    // A folder that does not exist has no long form, and its short form is
    // no use either.
    if (longLength == 0) return std::wstring();
    // The long form needs more room than MAX_PATH: the short form still names
    // the same folder, with its backslash.
    if (longLength >= MAX_PATH) return std::wstring(found, length);
    return std::wstring(longForm, longLength);
}
