#pragma once
// The seam between the update run and the operating system: exactly the
// operations the run calls, in UTF-16, so that the run's decisions can be
// driven and watched anywhere. The Windows build passes the real services.
#include <string>

class UpdateServices {
  public:
    // Blocks for `milliseconds`.
    virtual void pauseMs(unsigned long milliseconds) = 0;
    // The user's temporary folder, ending with a backslash, or empty.
    virtual std::u16string temporaryFolder() = 0;

    // The instruction file reader, with the contracts of instruction_file.h.
    virtual bool openInstructionFile(const std::u16string& path) = 0;
    virtual bool selectGroup(const std::u16string& name) = 0;
    virtual std::u16string readString(const std::u16string& key,
                                      const std::u16string& fallback) = 0;
    virtual void closeInstructionFile() = 0;

    // Replaces `destination` with a copy of `source`; all or nothing.
    virtual bool copyReplacing(const std::u16string& source, const std::u16string& destination) = 0;
    // Clears the attributes of `path` and deletes it.
    virtual bool deleteForced(const std::u16string& path) = 0;
    // Shows a modal box and returns the button pressed (0: not shown).
    virtual int showNotice(const std::u16string& caption, const std::u16string& text,
                           unsigned int style) = 0;
    // Starts `program` without waiting for it; empty strings mean none.
    virtual bool launchProgram(const std::u16string& program, const std::u16string& parameters,
                               const std::u16string& directory) = 0;

  protected:
    ~UpdateServices() = default;
};
