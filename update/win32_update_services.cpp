#include "win32_update_services.h"

#include <windows.h>

#include "file_operations.h"
#include "instruction_file.h"
#include "launcher.h"
#include "notice.h"
#include "pause.h"
#include "temporary_folder.h"
#include "update_flow.h"
#include "wide.h"

static_assert(noticeInformation == MB_ICONINFORMATION, "information style");
static_assert(noticeWarning == MB_ICONWARNING, "warning style");

void Win32UpdateServices::pauseMs(unsigned long milliseconds) { ::pauseMs(milliseconds); }

std::u16string Win32UpdateServices::temporaryFolder() {
    const std::wstring folder = ::temporaryFolder();
    return utf16(folder.c_str(), folder.size());
}

bool Win32UpdateServices::openInstructionFile(const std::u16string& path) {
    return ::openInstructionFile(path);
}

bool Win32UpdateServices::selectGroup(const std::u16string& name) { return ::selectGroup(name); }

std::u16string Win32UpdateServices::readString(const std::u16string& key,
                                               const std::u16string& fallback) {
    return ::readString(key, fallback);
}

void Win32UpdateServices::closeInstructionFile() { ::closeInstructionFile(); }

bool Win32UpdateServices::copyReplacing(const std::u16string& source,
                                        const std::u16string& destination) {
    return ::copyReplacing(wide(source), wide(destination));
}

bool Win32UpdateServices::deleteForced(const std::u16string& path) {
    return ::deleteForced(wide(path));
}

int Win32UpdateServices::showNotice(const std::u16string& caption, const std::u16string& text,
                                    unsigned int style) {
    return ::showNotice(wide(caption), wide(text), style);
}

bool Win32UpdateServices::launchProgram(const std::u16string& program,
                                        const std::u16string& parameters,
                                        const std::u16string& directory) {
    return ::launchProgram(wide(program), wide(parameters), wide(directory));
}
