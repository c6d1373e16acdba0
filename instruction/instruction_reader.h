#pragma once
// The instruction file reader over bytes: decoding, parsing and lookup, with
// no file calls. The file layer (instruction_file_win32.cpp) opens the file
// and hands it over as an InstructionSource; the four calls of
// instruction_file.h act on the one process-wide InstructionFile.
#include <cstddef>
#include <cstdint>
#include <string>

#include "instruction_source.h"

enum class NodeKind { Group, Comment, Entry };

// One recorded line. The texts are zero-terminated UTF-8 pieces of the
// content and live as long as it does.
struct InstructionNode {
    NodeKind kind;
    const char* text;   // the group name, the comment text or the key
    const char* value;  // an entry's value, blanks at its end kept; "" otherwise
};

class InstructionFile {
  public:
    constexpr InstructionFile() = default;
    ~InstructionFile();
    InstructionFile(const InstructionFile&) = delete;
    InstructionFile& operator=(const InstructionFile&) = delete;

    // Closes, then reads the whole file from `source` (positioned at its
    // start), decodes it to UTF-8 and parses it. The file counts as open
    // even when it holds nothing usable or there was no memory for it.
    void load(InstructionSource& source);

    // Closes, then stands for a file that could not be opened: as if an
    // empty one were open, until the next close.
    void loadNothing();

    // Makes the first group called `name` current, ASCII case ignored; the
    // empty name makes the top of the file current. False when nothing is
    // open, when there is no such group (reads then give their defaults
    // until a group is found), or when there is no memory to convert `name`
    // (nothing changes then).
    bool selectGroup(const std::u16string& name);

    // The value of the first entry `key` in the current group, its blanks at
    // both ends removed, or `fallback`.
    std::u16string readString(const std::u16string& key, const std::u16string& fallback) const;

    // Releases the content and the nodes. Harmless when nothing is open.
    void close();

    // Open, or standing for a file that could not be opened.
    bool isOpen() const { return open_; }
    std::size_t nodeCount() const { return nodeCount_; }
    const InstructionNode& node(std::size_t index) const { return nodes_[index]; }

  private:
    static constexpr std::size_t noGroup = SIZE_MAX;

    bool decode(InstructionSource& source);
    void parse();
    bool append(NodeKind kind, const char* text, const char* value);

    bool open_ = false;
    char* content_ = nullptr;  // contentSize_ bytes and a zero byte
    std::size_t contentSize_ = 0;
    InstructionNode* nodes_ = nullptr;
    std::size_t nodeCount_ = 0;
    std::size_t nodeCapacity_ = 0;
    std::size_t currentGroup_ = noGroup;  // index of a Group node, or noGroup for the top
    bool groupMissing_ = false;
};

// The reader's one process-wide state.
InstructionFile& instructionFile();
