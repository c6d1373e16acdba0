#include "instruction_reader.h"

#include <cstring>

#include "instruction_memory.h"
#include "text_conversion.h"

namespace {

InstructionFile theInstructionFile;

const unsigned char byteOrderMark[3] = {0xEF, 0xBB, 0xBF};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

char* skipBlanks(char* p, const char* end) {
    while (p < end && isBlank(*p)) ++p;
    return p;
}

char* skipLineEnds(char* p, const char* end) {
    while (p < end && isLineEnd(*p)) ++p;
    return p;
}

char* findLineEnd(char* p, const char* end) {
    while (p < end && !isLineEnd(*p)) ++p;
    return p;
}

// Where a piece that starts at `p` ends: at a line end, at a zero byte, at
// `stop` or at the end of the content.
char* findPieceEnd(char* p, const char* end, char stop) {
    while (p < end && !isLineEnd(*p) && *p != '\0' && *p != stop) ++p;
    return p;
}

// Reads until `count` bytes came or a read gives none: a short read is taken
// as the end of what can be had.
std::size_t readFully(InstructionSource& source, unsigned char* into, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        std::size_t got = source.read(into + total, count - total);
        if (got == 0) break;
        total += got;
    }
    return total;
}

unsigned char* allocateBytes(std::size_t size) {
    return static_cast<unsigned char*>(reallocateInstructionMemory(nullptr, size));
}

// The zero-terminated UTF-8 `value` as UTF-16. It is decoded with three zero
// bytes after it: at the very end of its input the decoder folds a sequence
// cut short together with every byte after its lead into one U+FFFD, which
// would swallow ordinary characters that follow a stray lead byte. Padded,
// the cut sequence costs only itself, and the padding, which no value can
// hold, is dropped again.
bool valueToUtf16(const char* value, std::u16string& out) {
    const std::size_t padding = 3;
    std::size_t length = std::strlen(value);
    if (length > SIZE_MAX - padding) return false;
    unsigned char* padded = allocateBytes(length + padding);
    if (!padded) return false;
    std::memcpy(padded, value, length);
    std::memset(padded + length, 0, padding);
    bool converted = toUtf16(reinterpret_cast<const char*>(padded), length + padding, out);
    releaseInstructionMemory(padded);
    if (!converted) return false;
    while (!out.empty() && out.back() == u'\0') out.pop_back();
    return true;
}

}  // namespace

InstructionFile& instructionFile() { return theInstructionFile; }

InstructionFile::~InstructionFile() { close(); }

void InstructionFile::load(InstructionSource& source) {
    close();
    open_ = true;
    if (decode(source)) parse();
}

void InstructionFile::loadNothing() {
    close();
    open_ = true;
}

void InstructionFile::close() {
    releaseInstructionMemory(content_);
    releaseInstructionMemory(nodes_);
    content_ = nullptr;
    contentSize_ = 0;
    nodes_ = nullptr;
    nodeCount_ = 0;
    nodeCapacity_ = 0;
    currentGroup_ = noGroup;
    groupMissing_ = false;
    open_ = false;
}

// Fills content_ with the file as UTF-8 and a zero byte. False when there is
// nothing to parse: an empty file, one holding only the byte-order mark, or
// no memory for it.
bool InstructionFile::decode(InstructionSource& source) {
    std::size_t size = source.size();
    unsigned char head[3];
    std::size_t headRead = size >= 3 ? source.read(head, 3) : 0;

    if (headRead == 3 && std::memcmp(head, byteOrderMark, 3) == 0) {
        std::size_t rest = size - 3;
        if (rest == 0) return false;
        unsigned char* buffer = allocateBytes(rest + 1);
        if (!buffer) return false;
        contentSize_ = readFully(source, buffer, rest);
        buffer[contentSize_] = '\0';
        content_ = reinterpret_cast<char*>(buffer);
        return contentSize_ > 0;
    }

    // ISO-8859-1 takes up to two bytes per byte. The raw bytes are read into
    // the upper half and expanded forward from the start: the output never
    // overtakes the byte being read.
    if (size == 0 || size > (SIZE_MAX - 1) / 2) return false;
    unsigned char* buffer = allocateBytes(2 * size + 1);
    if (!buffer) return false;
    unsigned char* raw = buffer + size;
    std::size_t got = 0;
    if (!source.rewind()) {
        // The bytes taken to look for the mark are the file's first; the
        // rest follows them.
        std::memcpy(raw, head, headRead);
        got = headRead;
    }
    got += readFully(source, raw + got, size - got);

    unsigned char* out = buffer;
    for (std::size_t i = 0; i < got; ++i) {
        unsigned char byte = raw[i];
        if (byte < 0x80) {
            *out++ = byte;
        } else {
            *out++ = static_cast<unsigned char>(0xC0 | (byte >> 6));
            *out++ = static_cast<unsigned char>(0x80 | (byte & 0x3F));
        }
    }
    contentSize_ = static_cast<std::size_t>(out - buffer);
    *out = '\0';
    // Give back the unused room; if that fails the larger block serves.
    if (contentSize_ + 1 < 2 * size + 1) {
        if (void* smaller = reallocateInstructionMemory(buffer, contentSize_ + 1)) {
            buffer = static_cast<unsigned char*>(smaller);
        }
    }
    content_ = reinterpret_cast<char*>(buffer);
    return contentSize_ > 0;
}

// Cuts content_ into zero-terminated pieces in place and records one node
// per line that is not empty. Bytes after a zero byte on the same line are
// recorded nowhere: the zero ends the piece, and the line is done.
void InstructionFile::parse() {
    char* p = content_;
    char* const end = content_ + contentSize_;
    while (p < end) {
        p = skipBlanks(p, end);
        if (p == end) break;
        if (isLineEnd(*p)) {
            p = skipLineEnds(p, end);
            continue;
        }

        NodeKind kind;
        char* text;
        char* textEnd;
        const char* value = "";
        char* valueEnd = nullptr;
        char* rest;  // where this line stops meaning anything
        if (*p == ';') {
            kind = NodeKind::Comment;
            text = p + 1;
            if (text < end && *text == ' ') ++text;
            textEnd = rest = findPieceEnd(text, end, '\0');
        } else if (*p == '[') {
            kind = NodeKind::Group;
            text = p + 1;
            textEnd = rest = findPieceEnd(text, end, ']');
        } else {
            kind = NodeKind::Entry;
            text = p;
            rest = findPieceEnd(p, end, '=');
            textEnd = rest;
            while (textEnd > text && isBlank(textEnd[-1])) --textEnd;
            if (rest < end && *rest == '=') {
                char* valueStart = skipBlanks(rest + 1, end);
                valueEnd = rest = findPieceEnd(valueStart, end, '\0');
                value = valueStart;
            }
        }
        char* next = skipLineEnds(findLineEnd(rest, end), end);

        // Cut only now: a cut may fall on the line end that was just used.
        // A cut at `end` falls on the content's own terminator.
        *textEnd = '\0';
        if (valueEnd) *valueEnd = '\0';
        // Without memory for another node, the nodes made so far stand.
        if (!append(kind, text, value)) return;
        p = next;
    }
}

bool InstructionFile::append(NodeKind kind, const char* text, const char* value) {
    if (nodeCount_ == nodeCapacity_) {
        std::size_t capacity = nodeCapacity_ ? 2 * nodeCapacity_ : 16;
        if (capacity > SIZE_MAX / sizeof(InstructionNode)) return false;
        void* grown = reallocateInstructionMemory(nodes_, capacity * sizeof(InstructionNode));
        if (!grown) return false;
        nodes_ = static_cast<InstructionNode*>(grown);
        nodeCapacity_ = capacity;
    }
    nodes_[nodeCount_++] = InstructionNode{kind, text, value};
    return true;
}

bool InstructionFile::selectGroup(const std::u16string& name) {
    if (!open_) return false;
    if (name.empty()) {
        currentGroup_ = noGroup;
        groupMissing_ = false;
        return true;
    }
    Utf8Text wanted;
    if (!toUtf8(name, wanted)) return false;
    // A name holding U+0000 names no group: no group name holds a zero byte.
    if (!wanted.holdsZero()) {
        for (std::size_t i = 0; i < nodeCount_; ++i) {
            if (nodes_[i].kind == NodeKind::Group && sameName(nodes_[i].text, wanted.data())) {
                currentGroup_ = i;
                groupMissing_ = false;
                return true;
            }
        }
    }
    groupMissing_ = true;
    return false;
}

std::u16string InstructionFile::readString(const std::u16string& key,
                                           const std::u16string& fallback) const {
    if (!open_ || groupMissing_) return fallback;
    Utf8Text wanted;
    if (!toUtf8(key, wanted) || wanted.holdsZero()) return fallback;
    for (std::size_t i = currentGroup_ == noGroup ? 0 : currentGroup_ + 1; i < nodeCount_; ++i) {
        const InstructionNode& node = nodes_[i];
        if (node.kind == NodeKind::Group) break;
        if (node.kind != NodeKind::Entry || !sameName(node.text, wanted.data())) continue;

        const char* value = node.value;
        while (isBlank(*value)) ++value;
        std::u16string result;
        if (!valueToUtf16(value, result)) return fallback;
        while (!result.empty() && (result.back() == u' ' || result.back() == u'\t')) {
            result.pop_back();
        }
        return result;
    }
    return fallback;
}
