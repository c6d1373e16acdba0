#pragma once
// Makes the reader run out of memory on purpose. This test program defines
// the reader's allocation functions itself (failing_memory.cpp), replacing
// the library's at link time.
#include <cstddef>

// While one exists, the next `allowed` allocations of the reader succeed and
// every later one fails.
class FailingMemory {
  public:
    explicit FailingMemory(int allowed);
    ~FailingMemory();
    FailingMemory(const FailingMemory&) = delete;
    FailingMemory& operator=(const FailingMemory&) = delete;

    // How many allocations were refused so far.
    int refused() const;
};
