#pragma once
// Helpers shared by the reader's tests: load bytes written in the test, and
// show the parsed nodes as short strings that a table can hold.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "instruction_reader.h"
#include "memory_source.h"

// Loads `bytes` as the whole file.
inline void loadBytes(InstructionFile& file, const std::string& bytes) {
    MemorySource source(bytes.data(), bytes.size());
    file.load(source);
}

// "[name]" for a group, ";text" for a comment, "key=value" for an entry.
inline std::vector<std::string> nodesOf(const InstructionFile& file) {
    std::vector<std::string> shown;
    for (std::size_t i = 0; i < file.nodeCount(); ++i) {
        const InstructionNode& node = file.node(i);
        switch (node.kind) {
            case NodeKind::Group:
                shown.push_back("[" + std::string(node.text) + "]");
                break;
            case NodeKind::Comment:
                shown.push_back(";" + std::string(node.text));
                break;
            case NodeKind::Entry:
                shown.push_back(std::string(node.text) + "=" + node.value);
                break;
        }
    }
    return shown;
}

// Names a case of a parameterised test by its `what`: "key alone has an
// empty value" becomes "key_alone_has_an_empty_value".
struct NameByWhat {
    template <typename Case>
    std::string operator()(const testing::TestParamInfo<Case>& info) const {
        std::string name;
        for (const char* c = info.param.what; *c; ++c) {
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        }
        return name;
    }
};
