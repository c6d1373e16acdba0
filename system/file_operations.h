#pragma once

// Puts a copy of `source` at `destination`, replacing a file already there.
// All or nothing: the copy is made in full beside the destination and then
// renamed over it, so on any failure the destination is exactly as it was
// and nothing is left beside it. Refused as Windows' CopyFileW refuses them,
// under Wine too: a destination that is read-only, a folder, in use, or
// hidden or system while the source is not; either path of MAX_PATH units or
// more unless in the \\?\ form. False when either path is null or the copy
// fails.
bool copyReplacing(const wchar_t* source, const wchar_t* destination);

// Clears the attributes of `path`, then deletes it. False when the path is
// null or the file could not be deleted; the attributes stay cleared then.
bool deleteForced(const wchar_t* path);
