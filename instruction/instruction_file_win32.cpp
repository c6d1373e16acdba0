// The four calls of instruction_file.h over the Win32 file calls. Everything
// else the reader does happens in instruction_reader.cpp over the bytes.
#include <windows.h>

#include <utility>

#include "instruction_file.h"
#include "instruction_reader.h"
#include "wide.h"

namespace {

// Owns a handle from CreateFileW, whose invalid value is INVALID_HANDLE_VALUE.
class FileHandle {
  public:
    FileHandle() = default;
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { reset(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle& operator=(FileHandle&& other) {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = INVALID_HANDLE_VALUE;
        }
        return *this;
    }

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    void reset() {
        if (valid()) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Held from a successful open until close, and with it the share mode that
// opening chose.
FileHandle openFile;

class FileSource final : public InstructionSource {
  public:
    explicit FileSource(HANDLE file) : file_(file) {}

    std::uint32_t size() override {
        // The low 32 bits are all that is asked for; a failure, which the
        // value alone cannot tell from a file of 4 GiB - 1, counts as empty.
        SetLastError(NO_ERROR);
        DWORD low = GetFileSize(file_, nullptr);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 0;
        return low;
    }

    std::size_t read(unsigned char* into, std::size_t count) override {
        DWORD wanted = count > MAXDWORD ? MAXDWORD : static_cast<DWORD>(count);
        DWORD got = 0;
        if (!ReadFile(file_, into, wanted, &got, nullptr)) return 0;
        return got;
    }

    bool rewind() override {
        return SetFilePointer(file_, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
    }

  private:
    HANDLE file_;
};

// Write access is asked for first, sharing only reading, so that nobody can
// change the file while it is held. A file that is read-only, or that
// another process holds open, is still read in one of the later ways:
// reading only, and then letting others go on writing.
HANDLE openExisting(const std::u16string& path) {
    static const struct {
        DWORD access;
        DWORD share;
    } ways[] = {
        {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ},
        {GENERIC_READ, FILE_SHARE_READ},
        {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE},
    };
    for (const auto& way : ways) {
        HANDLE file = CreateFileW(wide(path), way.access, way.share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool openInstructionFile(const std::u16string& path) {
    closeInstructionFile();
    // CreateFileW would stop at a U+0000 and open some other file.
    FileHandle file(path.find(u'\0') == std::u16string::npos ? openExisting(path)
                                                             : INVALID_HANDLE_VALUE);
    if (!file.valid()) {
        instructionFile().loadNothing();
        return false;
    }
    FileSource source(file.get());
    instructionFile().load(source);
    openFile = std::move(file);
    return true;
}

bool selectGroup(const std::u16string& name) { return instructionFile().selectGroup(name); }

std::u16string readString(const std::u16string& key, const std::u16string& fallback) {
    return instructionFile().readString(key, fallback);
}

void closeInstructionFile() {
    instructionFile().close();
    openFile.reset();
}
