#include "file_operations.h"

#include <windows.h>

#include <cwchar>
#include <memory>
#include <new>

#include "unique_handle.h"

namespace {

// A path made absolute the way the file calls would make it, in a checked
// buffer, with the position of its last component.
struct FullPath {
    std::unique_ptr<wchar_t[]> text;
    DWORD length = 0;
    DWORD nameStart = 0;  // == length when the path ends in a separator
};

bool isLongPathForm(const wchar_t* path) {
    return std::wcsncmp(path, L"\\\\?\\", 4) == 0;
}

// False when the path cannot be made absolute, or when Windows would refuse
// it for its length: this program is not long-path aware, so a path of
// MAX_PATH units or more (terminator not counted) fails there unless it has
// the \\?\ form. Wine takes such paths, so the rule is spelt out here.
bool makeFullPath(const wchar_t* path, FullPath& full) {
    DWORD needed = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (needed == 0) return false;
    full.text.reset(new (std::nothrow) wchar_t[needed]);
    if (!full.text) return false;
    wchar_t* name = nullptr;
    const DWORD length = GetFullPathNameW(path, needed, full.text.get(), &name);
    if (length == 0 || length >= needed) return false;
    if (length >= MAX_PATH && !isLongPathForm(full.text.get())) return false;
    full.length = length;
    full.nameStart = name ? static_cast<DWORD>(name - full.text.get()) : length;
    return true;
}

// The refusals of CopyFileW onto an existing file, which a rename over it
// does not give by itself (and Wine does not give at all): a read-only
// destination, a hidden or system one that the source would not keep hidden
// or system, a folder, and one that another handle has open.
bool mayOverwrite(const wchar_t* destination, DWORD destinationAttributes,
                  DWORD sourceAttributes) {
    if (destinationAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return false;
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if ((destinationAttributes & kept) & ~(sourceAttributes & kept)) return false;
    // Opening it for writing with no sharing is what CopyFileW needs of it;
    // this fails for a file in use and for a running executable.
    FileHandle probe(CreateFileW(destination, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(probe);
}

// Candidate names for the sibling: '~' and base-36 digits, no longer than the
// destination's own name and at most eight units, so that the sibling's path
// is never longer than the destination's and needs no 8.3 alias. A one-unit
// name gets a one-unit sibling.
class SiblingNames {
  public:
    explicit SiblingNames(DWORD nameLength)
        : length_(nameLength < 8 ? nameLength : 8),
          state_(GetTickCount() ^ (GetCurrentProcessId() << 16) ^ GetCurrentThreadId()) {}

    // Writes the next candidate and its terminator at `out`.
    void next(wchar_t* out) {
        static const wchar_t digits[] = L"0123456789abcdefghijklmnopqrstuvwxyz";
        DWORD at = 0;
        if (length_ > 1) out[at++] = L'~';
        while (at < length_) {
            // xorshift: cheap, and distinct from one call to the next.
            state_ ^= state_ << 13;
            state_ ^= state_ >> 17;
            state_ ^= state_ << 5;
            out[at++] = digits[state_ % 36];
        }
        out[at] = L'\0';
    }

  private:
    DWORD length_;
    DWORD state_;
};

// Clears what CopyFileW took over from the source, so that the sibling can go.
void removeSibling(const wchar_t* sibling) {
    SetFileAttributesW(sibling, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(sibling);
}

// Forces the sibling's content to the disk before it takes the destination's
// name, so that a power cut after the rename cannot leave a named but empty
// file. FlushFileBuffers needs a handle with write access, which a read-only
// copy does not give until its attribute is lifted for the moment.
bool flushToDisk(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        const DWORD writable = attributes & ~FILE_ATTRIBUTE_READONLY;
        if (!SetFileAttributesW(path, writable ? writable : FILE_ATTRIBUTE_NORMAL)) return false;
    }
    FileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool flushed = file && FlushFileBuffers(file.get());
    file.reset();
    if (readOnly && !SetFileAttributesW(path, attributes)) return false;
    return flushed;
}

}  // namespace

// The destination is never written in place: a copy that fails half-way
// (disk full, an I/O error, the process killed) would leave neither the old
// file nor the new one. The new content goes completely into a sibling in the
// destination's own folder, and one rename within that folder swaps it in.
// MoveFileExW is used rather than ReplaceFileW because ReplaceFileW without a
// backup may, by its own contract, fail with the replaced file already gone.
// The renamed file has the source's attributes, as CopyFileW onto the old
// file would have given it, and the permissions the folder gives a new file;
// permissions set on the old file alone do not carry over. A running
// executable cannot be renamed over, so it stays as it is.
bool copyReplacing(const wchar_t* source, const wchar_t* destination) {
    if (!source || !destination) return false;

    FullPath from;
    FullPath to;
    if (!makeFullPath(source, from) || !makeFullPath(destination, to)) return false;
    if (to.nameStart == to.length) return false;

    const DWORD sourceAttributes = GetFileAttributesW(from.text.get());
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES) return false;
    const DWORD destinationAttributes = GetFileAttributesW(to.text.get());
    if (destinationAttributes != INVALID_FILE_ATTRIBUTES &&
        !mayOverwrite(to.text.get(), destinationAttributes, sourceAttributes)) {
        return false;
    }

    std::unique_ptr<wchar_t[]> sibling(new (std::nothrow) wchar_t[to.length + 1]);
    if (!sibling) return false;
    std::wmemcpy(sibling.get(), to.text.get(), to.nameStart);
    wchar_t* siblingName = sibling.get() + to.nameStart;
    const wchar_t* destinationName = to.text.get() + to.nameStart;

    SiblingNames names(to.length - to.nameStart);
    bool copied = false;
    for (int attempt = 0; attempt < 16 && !copied; ++attempt) {
        names.next(siblingName);
        if (lstrcmpiW(siblingName, destinationName) == 0) continue;
        // bFailIfExists: whatever already has the name is someone else's.
        if (CopyFileW(from.text.get(), sibling.get(), TRUE)) {
            copied = true;
            break;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
        // Wine, unlike Windows, leaves a partial copy behind.
        removeSibling(sibling.get());
        return false;
    }
    if (!copied) return false;

    if (!flushToDisk(sibling.get()) ||
        !MoveFileExW(sibling.get(), to.text.get(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        removeSibling(sibling.get());
        return false;
    }
    return true;
}

bool deleteForced(const wchar_t* path) {
    if (!path) return false;
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(path) != FALSE;
}
