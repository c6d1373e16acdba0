#include "instruction_memory.h"

#include <cstdlib>

void* reallocateInstructionMemory(void* block, std::size_t size) {
    return std::realloc(block, size);
}

void releaseInstructionMemory(void* block) { std::free(block); }
