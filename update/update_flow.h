#pragma once
// The decisions of one update run, free of any system call.
#include "update_services.h"

// Message box styles, with the values of MB_ICONINFORMATION and
// MB_ICONWARNING; the Windows build checks them against its headers.
inline constexpr unsigned int noticeInformation = 0x40;
inline constexpr unsigned int noticeWarning = 0x30;

// Waits, reads the target path from the instruction file in the temporary
// folder, replaces the target with the new executable there and tells the
// user how that went; after a success, once the user has answered, deletes
// the update files and starts the target. Ends with the shutdown release of
// the reader. Every failure is handled here; nothing is reported back.
void performUpdate(UpdateServices& services);
