#include "failing_memory.h"

#include <cstdlib>

#include "instruction_memory.h"

namespace {
bool armed = false;
int allowedLeft = 0;
int refusedCount = 0;
}  // namespace

FailingMemory::FailingMemory(int allowed) {
    armed = true;
    allowedLeft = allowed;
    refusedCount = 0;
}

FailingMemory::~FailingMemory() { armed = false; }

int FailingMemory::refused() const { return refusedCount; }

void* reallocateInstructionMemory(void* block, std::size_t size) {
    if (armed) {
        if (allowedLeft == 0) {
            ++refusedCount;
            return nullptr;
        }
        --allowedLeft;
    }
    return std::realloc(block, size);
}

void releaseInstructionMemory(void* block) { std::free(block); }
