#pragma once
// Where the reader's bytes come from: the file layer hands it an open file
// through this interface, tests and the fuzzer hand it bytes in memory. The
// reader itself never sees a path.
#include <cstddef>
#include <cstdint>

class InstructionSource {
  public:
    // The file's size as the file system reports it: the low 32 bits.
    virtual std::uint32_t size() = 0;
    // Reads up to `count` bytes at the current position into `into` and
    // returns how many came; 0 at the end or on a read error.
    virtual std::size_t read(unsigned char* into, std::size_t count) = 0;
    // Moves back to the first byte. False when it could not.
    virtual bool rewind() = 0;

  protected:
    ~InstructionSource() = default;
};
