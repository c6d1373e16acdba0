// Writes one generated instruction file: make_instruction_file FLAVOUR SIZE PATH.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "instruction_corpus.h"

int main(int argc, char** argv) {
    CorpusFlavour flavour;
    if (argc != 4 || !corpusFromName(argv[1], &flavour)) {
        std::fprintf(stderr, "usage: %s ascii|latin1|utf8bom SIZE PATH\n", argv[0]);
        return 2;
    }
    std::string bytes = makeInstructionFile(flavour, std::strtoull(argv[2], nullptr, 10));
    std::FILE* file = std::fopen(argv[3], "wb");
    if (!file) return 1;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written ? 0 : 1;
}
