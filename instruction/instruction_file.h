#pragma once
// The update instruction file: an INI-style file, read once, never written.
// One process-wide reader; every string crossing this boundary is UTF-16.
#include <string>

// Closes whatever is open, then opens, decodes and parses the file at `path`.
// True when the file could be opened, even if it holds no usable line. After
// a failure the reader behaves as if an empty file were open until closed.
bool openInstructionFile(const std::u16string& path);

// Makes the first group called `name` (ASCII case ignored) current; the empty
// name selects the top of the file. False when nothing is open or there is no
// such group; every read then returns its default until a group is found.
bool selectGroup(const std::u16string& name);

// The value of the first entry `key` in the current group, blanks trimmed, or
// `fallback` when there is none.
std::u16string readString(const std::u16string& key, const std::u16string& fallback);

// Releases the handle, the content and the parsed lines. Harmless when
// nothing is open.
void closeInstructionFile();
