#pragma once
// Our instruction file reader, driven as the updater drives it, over bytes
// that are already in memory: decode, parse, select "FullPathName", read
// "Executable", release.
#include <cstddef>
#include <string>

// True when the key was found; its value goes to `value`.
bool readerLookup(const char* bytes, std::size_t size, std::u16string* value);
