// load_probe NAME...: loads each DLL by bare name with the default search
// order, as any program that does not restrict it would, and prints
// "NAME: PATH" for the file that was mapped. The planted-DLL test runs it
// beside the planted copies to show that a load from the program's folder
// is seen at all before it checks that the updater makes none.
#include <windows.h>

#include <cstdio>

int wmain(int count, wchar_t** names) {
    for (int i = 1; i < count; ++i) {
        HMODULE module = LoadLibraryW(names[i]);
        wchar_t path[MAX_PATH] = L"(not loaded)";
        if (module) GetModuleFileNameW(module, path, MAX_PATH);
        std::printf("%ls: %ls\n", names[i], path);
    }
    return 0;
}
