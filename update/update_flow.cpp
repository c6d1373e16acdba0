#include "update_flow.h"

namespace {

const char16_t instructionFileName[] = u"QTV_Update.ini";
const char16_t newExecutableName[] = u"QTV.exe";
const char16_t companionFileName[] = u"QTV.dat";
const char16_t instructionGroup[] = u"FullPathName";
const char16_t targetKey[] = u"Executable";
const char16_t noticeCaption[] = u"Brindlewick Updater";
const char16_t successText[] = u"Brindlewick wurde erfolgreich aktualisiert!";
const char16_t failureText[] = u"Brindlewick konnte nicht aktualisiert werden!";

// The file that names the target is read and closed before anything else
// happens, so that it is never held open while the user looks at a box.
std::u16string readTargetPath(UpdateServices& services, const std::u16string& folder) {
    std::u16string target;
    if (!services.openInstructionFile(folder + instructionFileName)) return target;
    if (services.selectGroup(instructionGroup)) target = services.readString(targetKey, u"");
    services.closeInstructionFile();
    return target;
}

void replaceTarget(UpdateServices& services, const std::u16string& folder,
                   const std::u16string& target) {
    if (!services.copyReplacing(folder + newExecutableName, target)) {
        // The update files stay, so that the next attempt can use them.
        services.showNotice(noticeCaption, failureText, noticeWarning);
        return;
    }
    // The box comes first: the new program must not start under it, and the
    // files stay until the user has seen the outcome.
    services.showNotice(noticeCaption, successText, noticeInformation);
    services.deleteForced(folder + instructionFileName);
    services.deleteForced(folder + companionFileName);
    services.deleteForced(folder + newExecutableName);
    services.launchProgram(target, u"", u"");
}

}  // namespace

void performUpdate(UpdateServices& services) {
    // Gives the program that started the update time to end and let go of
    // its executable; nothing is looked at before.
    services.pauseMs(3000);
    // An empty folder leaves bare file names, relative to the current folder.
    const std::u16string folder = services.temporaryFolder();
    const std::u16string target = readTargetPath(services, folder);
    if (!target.empty()) replaceTarget(services, folder, target);
    services.closeInstructionFile();
}
