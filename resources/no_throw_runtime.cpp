// The updater is built without exceptions, but the static C++ runtime it
// links is not: its allocation and error paths throw, and reaching them drags
// the whole unwinder, the exception classes, a string formatter and the
// symbol demangler of the default terminate handler into the executable
// (some 120 KiB). These definitions take the place of the runtime's own, so
// none of that is linked. The program never throws and never catches, so an
// error the runtime would throw for (out of memory, a string grown past its
// maximum) can only end the process: quietly, with the exit code every run
// ends with, and without the crash dialog an abort would show.
//
// The names below are exactly those of the runtime object that holds them:
// if a later compiler adds one and the code uses it, that object is linked
// again and the link fails on the duplicates instead of growing silently.
#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void endQuietly() {
    ExitProcess(0);
}

}  // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) endQuietly();
    return block;
}

void* operator new[](std::size_t size) {
    return ::operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}

namespace std {

void __throw_bad_exception() { endQuietly(); }
void __throw_bad_alloc() { endQuietly(); }
void __throw_bad_array_new_length() { endQuietly(); }
void __throw_bad_cast() { endQuietly(); }
void __throw_bad_typeid() { endQuietly(); }
void __throw_logic_error(const char*) { endQuietly(); }
void __throw_domain_error(const char*) { endQuietly(); }
void __throw_invalid_argument(const char*) { endQuietly(); }
void __throw_length_error(const char*) { endQuietly(); }
void __throw_out_of_range(const char*) { endQuietly(); }
void __throw_out_of_range_fmt(const char*, ...) { endQuietly(); }
void __throw_runtime_error(const char*) { endQuietly(); }
void __throw_range_error(const char*) { endQuietly(); }
void __throw_overflow_error(const char*) { endQuietly(); }
void __throw_underflow_error(const char*) { endQuietly(); }

}  // namespace std
