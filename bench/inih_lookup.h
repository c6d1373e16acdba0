#pragma once
// The peer reader: inih over the same bytes, with a handler that keeps the
// first value of the key in the first group of that name, as ours does.
#include <string>

// Parses the zero-terminated `text` with ini_parse_string. True when the
// key was found; its value, in the file's own bytes, goes to `value`.
bool inihLookup(const char* text, const char* group, const char* key, std::string* value);
