#pragma once
// Every block whose size depends on the file or on a caller's string comes
// from here, so that running out of memory is a result the reader handles,
// never a crash. The definitions live alone in instruction_memory.cpp: a test
// program that defines both functions itself replaces them at link time and
// can make allocation fail on purpose.
#include <cstddef>

// As realloc: grows or allocates `block` (null for a new one) to `size` bytes,
// `size` never 0. Null when there is no memory; `block` then stays valid.
void* reallocateInstructionMemory(void* block, std::size_t size);

// As free; null is harmless.
void releaseInstructionMemory(void* block);
