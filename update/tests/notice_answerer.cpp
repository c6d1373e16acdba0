// notice_answerer: plays the user in front of a message box, for tests and
// the demonstration. It finds the box by class "#32770" and caption (as
// FindWindowW(L"#32770", caption) does), records what it shows and which
// files exist at that moment, and presses OK.
//
//   notice_answerer [options] [-- PROGRAM [ARGUMENT...]]
//
// With a PROGRAM it starts that program (inheriting this environment, so
// TMP/TEMP pass on), answers only boxes of that process, waits until the
// program ends and reports its exit code. Without one it answers the first
// box with the caption that any process shows.
//
//   --caption TEXT   caption to look for (default "Brindlewick Updater")
//   --check PATH     report whether PATH exists while the box is up
//                    (repeatable)
//   --signal PATH    once the box has been recorded, write its report to
//                    PATH (for a driver that wants to act while it is up)
//   --release PATH   do not press OK before PATH exists (at most 120 s)
//   --timeout MS     give up after MS without a box (attach mode) or without
//                    the program ending (default 60000)
//
// Report on stdout, UTF-8, one "key: value" per line:
//   box: shown | none
//   caption: TEXT          text: TEXT (line breaks as \n)
//   rect: LEFT TOP RIGHT BOTTOM        the box on the screen, in pixels
//   icon: information | warning | unknown
//   present: PATH | absent: PATH       (one per --check, in order)
//   later-boxes: N         boxes of the program after the first (launch)
//   exit-code: N           run-ms: N   (launch mode)
// Exit code: 0 when it did its job, 2 bad usage, 3 the program could not be
// started, 4 timeout (the program, if any, is then terminated).
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Options {
    std::wstring caption = L"Brindlewick Updater";
    std::vector<std::wstring> checks;
    std::wstring signal;
    std::wstring release;
    DWORD timeout = 60000;
    std::wstring commandLine;  // empty: attach mode
    DWORD programId = 0;
};

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring out = L"\"";
    for (wchar_t c : argument) {
        if (c == L'"') out += L'\\';
        out += c;
    }
    return out + L"\"";
}

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring windowText(HWND window) {
    wchar_t buffer[4096];
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, sizeof buffer / sizeof buffer[0],
                             reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &length)) {
        return {};
    }
    return std::wstring(buffer, length);
}

HWND findBox(const Options& options, HWND after = nullptr) {
    HWND box = after;
    while ((box = FindWindowExW(nullptr, box, L"#32770", options.caption.c_str())) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(box, &process);
        if (IsWindowVisible(box) && (options.programId == 0 || process == options.programId)) {
            return box;
        }
    }
    return nullptr;
}

BOOL CALLBACK findIconControl(HWND child, LPARAM found) {
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (lstrcmpiW(className, L"Static") == 0 &&
        (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

// Pixels of a screen rectangle, or of `icon` drawn on a given background.
std::vector<COLORREF> pixels(int width, int height, const RECT* screenArea, HICON icon,
                             COLORREF background) {
    std::vector<COLORREF> out;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (screenArea) {
        BitBlt(memory, 0, 0, width, height, screen, screenArea->left, screenArea->top, SRCCOPY);
    } else {
        HBRUSH brush = CreateSolidBrush(background);
        RECT all{0, 0, width, height};
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) out.push_back(GetPixel(memory, x, y));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return out;
}

// Another process's icon handle cannot be read from here, so the icon is
// told by what the box shows on screen: the standard information and
// warning icons are drawn here on the same background and the one whose
// pixels match is it.
std::string iconOf(HWND box) {
    HWND control = nullptr;
    EnumChildWindows(box, findIconControl, reinterpret_cast<LPARAM>(&control));
    if (!control) return "none";
    RECT area;
    GetWindowRect(control, &area);
    const int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
    const std::vector<COLORREF> shown = pixels(width, height, &area, nullptr, 0);
    const struct {
        const char* name;
        LPCWSTR id;
    } candidates[] = {{"information", IDI_INFORMATION}, {"warning", IDI_WARNING}};
    for (const auto& candidate : candidates) {
        const std::vector<COLORREF> drawn =
            pixels(width, height, nullptr, LoadIconW(nullptr, candidate.id), shown[0]);
        size_t same = 0;
        for (size_t i = 0; i < shown.size(); ++i) same += shown[i] == drawn[i];
        if (same * 100 >= shown.size() * 98) return candidate.name;
    }
    return "unknown";
}

std::string describe(HWND box, const Options& options) {
    std::string text = utf8(windowText(GetDlgItem(box, 0xFFFF)));
    std::string escaped;
    for (char c : text) {
        if (c == '\n') {
            escaped += "\\n";
        } else if (c != '\r') {
            escaped += c;
        }
    }
    RECT area{};
    GetWindowRect(box, &area);
    std::string report = "box: shown\ncaption: " + utf8(windowText(box)) + "\ntext: " + escaped +
                         "\nrect: " + std::to_string(area.left) + " " + std::to_string(area.top) +
                         " " + std::to_string(area.right) + " " + std::to_string(area.bottom) +
                         "\n";
    for (const std::wstring& path : options.checks) {
        report += (exists(path) ? "present: " : "absent: ") + utf8(path) + "\n";
    }
    // The box may still be drawing itself; the icon is looked at last.
    std::string icon;
    for (int attempt = 0; attempt < 20; ++attempt) {
        SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        Sleep(100);
        icon = iconOf(box);
        if (icon == "information" || icon == "warning" || icon == "none") break;
    }
    return report + "icon: " + icon + "\n";
}

void writeFile(const std::wstring& path, const std::string& content) {
    const std::wstring part = path + L".part";
    HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void answer(HWND box) {
    HWND ok = GetDlgItem(box, IDOK);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(10);
}

// Records, signals, waits for the release and answers one box.
std::string handle(HWND box, const Options& options) {
    std::string report = describe(box, options);
    if (!options.signal.empty()) writeFile(options.signal, report);
    if (!options.release.empty()) {
        for (int i = 0; i < 12000 && !exists(options.release); ++i) Sleep(10);
    }
    answer(box);
    return report;
}

bool parse(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--") {
            for (int j = i + 1; j < argc; ++j) {
                if (!options.commandLine.empty()) options.commandLine += L' ';
                options.commandLine += quoted(argv[j]);
            }
            return i + 1 < argc;
        }
        if (i + 1 >= argc) return false;
        std::wstring value = argv[++i];
        if (arg == L"--caption") {
            options.caption = value;
        } else if (arg == L"--check") {
            options.checks.push_back(value);
        } else if (arg == L"--signal") {
            options.signal = value;
        } else if (arg == L"--release") {
            options.release = value;
        } else if (arg == L"--timeout") {
            options.timeout = wcstoul(value.c_str(), nullptr, 10);
        } else {
            return false;
        }
    }
    return true;
}

void print(const std::string& text) {
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

int attach(const Options& options) {
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < options.timeout) {
        if (HWND box = findBox(options)) {
            print(handle(box, options));
            return 0;
        }
        Sleep(20);
    }
    print("box: none\n");
    return 4;
}

int launch(Options& options) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::vector<wchar_t> line(options.commandLine.begin(), options.commandLine.end());
    line.push_back(L'\0');
    const ULONGLONG start = GetTickCount64();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        fprintf(stderr, "notice_answerer: cannot start the program (error %lu)\n", GetLastError());
        return 3;
    }
    CloseHandle(process.hThread);
    options.programId = process.dwProcessId;

    std::string report;
    HWND answered = nullptr;
    int laterBoxes = 0;
    bool ended = false;
    while (!ended) {
        if (GetTickCount64() - start > options.timeout) break;
        HWND box = findBox(options);
        if (box && box != answered) {
            if (!answered) {
                report = handle(box, options);
            } else {
                ++laterBoxes;
                answer(box);
            }
            answered = box;
        }
        ended = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
    }
    const ULONGLONG elapsed = GetTickCount64() - start;
    if (!ended) TerminateProcess(process.hProcess, 1);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    if (!answered) report = "box: none\n";
    report += "later-boxes: " + std::to_string(laterBoxes) + "\n";
    report += "exit-code: " + std::to_string(code) + "\n";
    report += "run-ms: " + std::to_string(elapsed) + "\n";
    print(report);
    return ended ? 0 : 4;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Plain "\n" line ends, whatever reads the report.
    _setmode(_fileno(stdout), _O_BINARY);
    Options options;
    if (!parse(argc, argv, options)) {
        fprintf(stderr,
                "usage: notice_answerer [--caption TEXT] [--check PATH]... [--signal PATH]\n"
                "       [--release PATH] [--timeout MS] [-- PROGRAM [ARGUMENT...]]\n");
        return 2;
    }
    return options.commandLine.empty() ? attach(options) : launch(options);
}
