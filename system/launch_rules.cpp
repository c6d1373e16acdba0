#include "launch_rules.h"

#include <limits>

namespace {
constexpr char16_t quotationMark = u'"';
constexpr size_t room = 4;  // two quotation marks, a space, the terminator
}  // namespace

size_t commandLineCapacity(std::u16string_view program, std::u16string_view parameters) {
    const size_t most = std::numeric_limits<size_t>::max();
    if (program.size() > most - room || parameters.size() > most - room - program.size()) {
        return 0;
    }
    return program.size() + parameters.size() + room;
}

size_t writeCommandLine(std::u16string_view program, std::u16string_view parameters,
                        char16_t* buffer) {
    size_t length = 0;
    const bool quoted = !program.empty() && program.front() == quotationMark;
    if (!quoted) buffer[length++] = quotationMark;
    program.copy(buffer + length, program.size());
    length += program.size();
    if (!quoted) buffer[length++] = quotationMark;
    if (!parameters.empty()) {
        buffer[length++] = u' ';
        parameters.copy(buffer + length, parameters.size());
        length += parameters.size();
    }
    buffer[length] = u'\0';
    return length;
}

std::u16string_view shellDirectoryFor(std::u16string_view program) {
    const size_t backslash = program.rfind(u'\\');
    if (backslash == std::u16string_view::npos || backslash == 0) return {};
    return program.substr(0, backslash + 1);
}
