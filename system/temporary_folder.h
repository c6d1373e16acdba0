#pragma once
#include <string>

// The user's temporary folder in its long form, ending with a backslash, or
// the empty string when it cannot be found.
std::wstring temporaryFolder();
