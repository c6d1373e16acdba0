#pragma once

// Puts a copy of `source` at `destination`, replacing a file already there.
// All or nothing: on failure the destination is as it was. False when either
// path is null or the copy fails.
bool copyReplacing(const wchar_t* source, const wchar_t* destination);

// Clears the attributes of `path`, then deletes it. False when the path is
// null or the file could not be deleted.
bool deleteForced(const wchar_t* path);
