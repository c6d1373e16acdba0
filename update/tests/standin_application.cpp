// A stand-in for the application being updated, built once per version.
// Started without arguments it records, beside itself in "<own path>.ran",
// its version and its command line exactly as it got it, then ends.
// Started as `--hold STOPFILE` it keeps its own executable in use, the way
// Windows' loader keeps a running program's file from being written, until
// STOPFILE exists (at most two minutes); "<own path>.holding" says it holds.
#include <windows.h>

#include <string>

#ifndef STANDIN_VERSION
#error "STANDIN_VERSION must name the version"
#endif
#define STANDIN_TEXT2(v) #v
#define STANDIN_TEXT(v) STANDIN_TEXT2(v)

namespace {

const char versionLine[] = "BRINDLEWICK STAND-IN VERSION " STANDIN_TEXT(STANDIN_VERSION);

void writeUtf8(const std::wstring& path, const std::wstring& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::string bytes = std::string(versionLine) + "\r\ncommand-line: ";
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string converted(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), converted.data(),
                        size, nullptr, nullptr);
    bytes += converted + "\r\n";
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH * 4];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    const std::wstring own(self, length);

    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc == 3 && std::wstring(argv[1]) == L"--hold") {
        HANDLE image = CreateFileW(own.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        writeUtf8(own + L".holding", GetCommandLineW());
        for (int i = 0; i < 12000 && GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES; ++i) {
            Sleep(10);
        }
        if (image != INVALID_HANDLE_VALUE) CloseHandle(image);
        DeleteFileW((own + L".holding").c_str());
        return 0;
    }
    writeUtf8(own + L".ran", GetCommandLineW());
    return 0;
}
