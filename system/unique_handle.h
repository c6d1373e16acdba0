#pragma once
// One move-only owner for every kind of Win32 handle, so that each handle is
// closed exactly once on every road out of a function.
#include <windows.h>

template <typename Traits>
class UniqueHandle {
  public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type value) : value_(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Type get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::invalid(); }

    Type release() {
        Type value = value_;
        value_ = Traits::invalid();
        return value;
    }

    // Closing must not hide why the call before it failed: callers often
    // reset on a failure road and then look at GetLastError().
    void reset(Type value = Traits::invalid()) {
        if (value_ != Traits::invalid()) {
            const DWORD error = GetLastError();
            Traits::close(value_);
            SetLastError(error);
        }
        value_ = value;
    }

  private:
    Type value_ = Traits::invalid();
};

// CreateFileW reports failure as INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Type value) { CloseHandle(value); }
};
using FileHandle = UniqueHandle<FileHandleTraits>;

// Process, thread and event handles report failure as null.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return nullptr; }
    static void close(Type value) { CloseHandle(value); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

struct ModuleHandleTraits {
    using Type = HMODULE;
    static Type invalid() { return nullptr; }
    static void close(Type value) { FreeLibrary(value); }
};
using ModuleHandle = UniqueHandle<ModuleHandleTraits>;

// GetProcAddress hands back a generic function pointer; going through void*
// states that the caller knows the real signature.
template <typename Function>
Function procedureOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
