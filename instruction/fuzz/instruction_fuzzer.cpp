// Drives the reader over arbitrary bytes taken as the whole instruction file:
// decoding, parsing, group selection and reads, with names taken from the
// file and from the raw input. Besides the sanitizers' findings it stops on
// any broken promise of the reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "instruction_reader.h"
#include "memory_source.h"
#include "text_conversion.h"

namespace {

const std::u16string sentinel = u"\uFFFF<none>";
const std::size_t nodesLooked = 64;

void require(bool promise) {
    if (!promise) std::abort();
}

// The UTF-16 form of a UTF-8 text from the file, when it goes back to the
// same bytes; empty otherwise.
bool roundTrips(const char* text, std::u16string& wide) {
    if (!toUtf16(text, std::strlen(text), wide)) return false;
    Utf8Text back;
    return toUtf8(wide, back) && std::strcmp(back.data(), text) == 0;
}

void requireTrimmed(const std::u16string& value) {
    if (value == sentinel || value.empty()) return;
    require(value.front() != u' ' && value.front() != u'\t');
    require(value.back() != u' ' && value.back() != u'\t');
}

bool sameNodes(const InstructionFile& a, const InstructionFile& b) {
    if (a.nodeCount() != b.nodeCount()) return false;
    for (std::size_t i = 0; i < a.nodeCount(); ++i) {
        const InstructionNode& x = a.node(i);
        const InstructionNode& y = b.node(i);
        if (x.kind != y.kind || std::strcmp(x.text, y.text) != 0 ||
            std::strcmp(x.value, y.value) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InstructionFile file;
    MemorySource source(data, size);
    file.load(source);
    require(file.isOpen());
    require(file.selectGroup(u""));

    // Entries before the first header are found from the top.
    std::size_t looked = file.nodeCount() < nodesLooked ? file.nodeCount() : nodesLooked;
    for (std::size_t i = 0; i < looked && file.node(i).kind != NodeKind::Group; ++i) {
        std::u16string key;
        if (file.node(i).kind != NodeKind::Entry || !roundTrips(file.node(i).text, key)) continue;
        std::u16string value = file.readString(key, sentinel);
        require(value != sentinel);
        requireTrimmed(value);
        require(file.readString(key, sentinel) == value);
    }

    // Every group whose name survives the trip through UTF-16 can be
    // selected, and what is read in it is trimmed.
    for (std::size_t i = 0; i < looked; ++i) {
        const InstructionNode& node = file.node(i);
        std::u16string name;
        if (node.kind != NodeKind::Group || !*node.text || !roundTrips(node.text, name)) continue;
        require(file.selectGroup(name));
        for (std::size_t j = i + 1; j < looked && file.node(j).kind != NodeKind::Group; ++j) {
            std::u16string key;
            if (file.node(j).kind == NodeKind::Entry && roundTrips(file.node(j).text, key)) {
                requireTrimmed(file.readString(key, sentinel));
            }
        }
    }

    // Names straight from the input: as UTF-16 units, lone surrogates and
    // U+0000 included, and as decoded UTF-8.
    std::u16string units;
    for (std::size_t i = 0; i + 1 < size && i < 32; i += 2) {
        units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    std::u16string decoded;
    toUtf16(reinterpret_cast<const char*>(data), size < 32 ? size : 32, decoded);
    for (const std::u16string* name : {&units, &decoded}) {
        bool selected = file.selectGroup(*name);
        require(selected || !name->empty());
        std::u16string value = file.readString(*name, sentinel);
        if (!selected) require(value == sentinel);
        requireTrimmed(value);
    }

    // Reads of three bytes at a time and a rewind that fails give the same
    // content as one read of the whole file.
    InstructionFile again;
    MemorySource pieces(data, size);
    pieces.limitEachRead(3);
    pieces.failRewind();
    again.load(pieces);
    require(sameNodes(file, again));

    file.close();
    require(!file.isOpen() && file.nodeCount() == 0);
    require(!file.selectGroup(u""));
    require(file.readString(u"Executable", sentinel) == sentinel);
    return 0;
}
