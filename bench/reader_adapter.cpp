#include "reader_adapter.h"

#include "instruction_reader.h"
#include "memory_source.h"

bool readerLookup(const char* bytes, std::size_t size, std::u16string* value) {
    // A MemorySource reads like the file layer does, so the reader makes the
    // same allocations as in the updater: its content block and its nodes.
    MemorySource source(bytes, size);
    InstructionFile file;
    file.load(source);
    bool found = false;
    if (file.selectGroup(u"FullPathName")) {
        *value = file.readString(u"Executable", u"");
        found = !value->empty();
    }
    file.close();
    return found;
}
