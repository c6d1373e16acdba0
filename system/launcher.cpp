#include "launcher.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <new>
#include <string_view>

#include "launch_rules.h"

namespace {
std::u16string_view textOf(const wchar_t* text) {
    if (!text) return {};
    return std::u16string_view(reinterpret_cast<const char16_t*>(text));
}
}  // namespace

bool launchProgram(const wchar_t* program, const wchar_t* parameters, const wchar_t* directory) {
    const std::u16string_view programText = textOf(program);
    const std::u16string_view parameterText = textOf(parameters);

    const size_t capacity = commandLineCapacity(programText, parameterText);
    if (capacity == 0) return false;
    // CreateProcessW may write into the command line, so it gets a buffer of
    // its own; the shell fallback reuses it for the directory, which is never
    // longer than the program path.
    std::unique_ptr<char16_t[]> buffer(new (std::nothrow) char16_t[capacity]);
    if (!buffer) return false;
    writeCommandLine(programText, parameterText, buffer.get());
    wchar_t* line = reinterpret_cast<wchar_t*>(buffer.get());

    const wchar_t* workingDirectory = directory && *directory ? directory : nullptr;

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started = {};
    if (CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                       workingDirectory, &startup, &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
        return true;
    }

    if (!workingDirectory) {
        const std::u16string_view folder = shellDirectoryFor(programText);
        if (!folder.empty()) {
            folder.copy(buffer.get(), folder.size());
            buffer[folder.size()] = u'\0';
            workingDirectory = line;
        }
    }

    SHELLEXECUTEINFOW shell = {};
    shell.cbSize = sizeof shell;
    shell.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    shell.lpFile = program ? program : L"";
    shell.lpParameters = parameters ? parameters : L"";
    shell.lpDirectory = workingDirectory;
    shell.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&shell)) return false;
    // Not every start through the shell yields a process.
    if (shell.hProcess) CloseHandle(shell.hProcess);
    return true;
}
