#pragma once
// How the launcher turns a program path into what it hands to Windows. Pure
// text rules, kept apart from the process calls so that they build anywhere.
#include <cstddef>
#include <string_view>

// Units of the buffer that a command line for `program` and `parameters`
// needs: the two strings plus two quotation marks, one space and the
// terminator. 0 when that sum does not fit in a size_t.
size_t commandLineCapacity(std::u16string_view program, std::u16string_view parameters);

// Writes the command line into `buffer`, which holds commandLineCapacity()
// units: `program` in quotation marks unless it already begins with one, then
// a single space and `parameters` when they are not empty. The line is
// terminated; returns its length without the terminator.
size_t writeCommandLine(std::u16string_view program, std::u16string_view parameters,
                        char16_t* buffer);

// The working directory the shell is given when the caller named none: the
// program path up to and including its last backslash, provided that
// backslash is not the first unit. Empty means no directory. The result is a
// view into `program`.
std::u16string_view shellDirectoryFor(std::u16string_view program);
