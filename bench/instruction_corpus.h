#pragma once
// Generated instruction files for measuring readers. The same flavour and
// size always give the same bytes, so figures from different runs compare.
#include <cstddef>
#include <string>

enum class CorpusFlavour {
    Ascii,      // only bytes below 0x80
    Latin1,     // ISO-8859-1, about one byte in seven 0x80 or above
    Utf8Bom,    // the Latin-1 text encoded as UTF-8, after the byte-order mark
};

// Lower-case name used in benchmark and file names: ascii, latin1, utf8bom.
const char* corpusName(CorpusFlavour flavour);

// Parses a name from corpusName; false when it is none of them.
bool corpusFromName(const std::string& name, CorpusFlavour* flavour);

// Exactly `size` bytes (at least 1024) of instruction file with CR LF line
// ends. The group "FullPathName" is found only near the end, written in lower
// case, after decoy groups of similar names; inside it the key "Executable",
// in capitals, follows keys that share its prefix, and an "Executable" entry
// stands in nearly every other group and before the first header. A second
// FullPathName group follows, which a correct lookup never consults. No line
// starts with a blank or a number sign, no value holds a semicolon or a
// colon before its equals sign, and no line is longer than 120 bytes, so
// readers with inline comments, continuation lines or short line buffers
// see the same entries.
std::string makeInstructionFile(CorpusFlavour flavour, std::size_t size);

// The value a correct lookup of FullPathName/Executable returns, as UTF-8.
std::string expectedExecutableUtf8(CorpusFlavour flavour);

// The same value as it stands in the file's own bytes (Latin-1 for Latin1).
std::string expectedExecutableRaw(CorpusFlavour flavour);

// Share of bytes of 0x80 and above in `bytes`.
double highByteShare(const std::string& bytes);
