#pragma once
// The update run's services on Windows: the system layer and the instruction
// file reader, unchanged, with the strings crossing to wchar_t.
#include "update_services.h"

class Win32UpdateServices final : public UpdateServices {
  public:
    void pauseMs(unsigned long milliseconds) override;
    std::u16string temporaryFolder() override;
    bool openInstructionFile(const std::u16string& path) override;
    bool selectGroup(const std::u16string& name) override;
    std::u16string readString(const std::u16string& key, const std::u16string& fallback) override;
    void closeInstructionFile() override;
    bool copyReplacing(const std::u16string& source, const std::u16string& destination) override;
    bool deleteForced(const std::u16string& path) override;
    int showNotice(const std::u16string& caption, const std::u16string& text,
                   unsigned int style) override;
    bool launchProgram(const std::u16string& program, const std::u16string& parameters,
                       const std::u16string& directory) override;
};
