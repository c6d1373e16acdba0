#include "notice.h"

#include <windows.h>

#include <new>

namespace {

// One visible top-level window of a thread that is showing a box, and what
// was done to it, so that exactly that can be undone.
struct SavedWindow {
    DWORD threadId;
    HWND window;
    bool wasTopmost;
    bool disabledHere;
    SavedWindow* next;
};

// Every thread's records, newest first. The lock guards the links only:
// window calls send messages, possibly to other threads, and must never be
// made while it is held.
SavedWindow* savedWindows = nullptr;
SRWLOCK savedWindowsLock = SRWLOCK_INIT;

class ListLock {
  public:
    ListLock() { AcquireSRWLockExclusive(&savedWindowsLock); }
    ~ListLock() { ReleaseSRWLockExclusive(&savedWindowsLock); }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;
};

void pushSaved(SavedWindow* record) {
    ListLock lock;
    record->next = savedWindows;
    savedWindows = record;
}

// Unlinks the calling thread's records and hands them back in the same
// order, newest first. While a thread works on them outside the lock, no
// other call can reach them, not even one on the same thread started from a
// window procedure.
SavedWindow* takeSaved(DWORD threadId) {
    ListLock lock;
    SavedWindow* taken = nullptr;
    SavedWindow** takenTail = &taken;
    SavedWindow** link = &savedWindows;
    while (*link) {
        SavedWindow* record = *link;
        if (record->threadId == threadId) {
            *link = record->next;
            record->next = nullptr;
            *takenTail = record;
            takenTail = &record->next;
        } else {
            link = &record->next;
        }
    }
    return taken;
}

// Puts records taken with takeSaved back in front, order kept.
void returnSaved(SavedWindow* records) {
    if (!records) return;
    SavedWindow* last = records;
    while (last->next) last = last->next;
    ListLock lock;
    last->next = savedWindows;
    savedWindows = records;
}

BOOL CALLBACK disableAndRecord(HWND window, LPARAM) {
    const DWORD threadId = GetCurrentThreadId();
    if (GetWindowThreadProcessId(window, nullptr) != threadId || !IsWindowVisible(window)) {
        return TRUE;
    }
    // Without a record nothing could be undone, so the window is left as it is.
    SavedWindow* record = new (std::nothrow) SavedWindow{threadId, window, false, false, nullptr};
    if (!record) return TRUE;
    record->wasTopmost = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (window != GetForegroundWindow() && IsWindowEnabled(window)) {
        record->disabledHere = true;
        EnableWindow(window, FALSE);
    }
    pushSaved(record);
    return TRUE;
}

}  // namespace

int showNotice(const wchar_t* caption, const wchar_t* text, unsigned int style) {
    HWND owner = GetForegroundWindow();
    if (owner) {
        DWORD processId = 0;
        GetWindowThreadProcessId(owner, &processId);
        if (processId != GetCurrentProcessId()) owner = nullptr;
    }

    const DWORD threadId = GetCurrentThreadId();
    EnumWindows(disableAndRecord, 0);

    SavedWindow* records = takeSaved(threadId);
    for (SavedWindow* record = records; record; record = record->next) {
        if (record->wasTopmost) {
            SetWindowPos(record->window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        }
    }
    returnSaved(records);

    const int pressed = MessageBoxW(owner, text, caption, style);

    records = takeSaved(threadId);
    while (records) {
        SavedWindow* record = records;
        records = record->next;
        if (record->disabledHere) EnableWindow(record->window, TRUE);
        if (record->wasTopmost) {
            SetWindowPos(record->window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        }
        delete record;
    }
    return pressed;
}
