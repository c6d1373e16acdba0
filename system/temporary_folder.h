#pragma once
#include <string>

// The user's temporary folder in its long form, ending with a backslash, or
// the empty string when it cannot be found (the folder does not exist, or
// its path does not fit in MAX_PATH units). When only the long form is too
// long, the form the system gave is returned as it is.
std::wstring temporaryFolder();
