#pragma once
// An InstructionSource over bytes in memory, for tests, the fuzzer and the
// benchmarks. Not part of the product.
#include <cstddef>
#include <cstdint>

#include "instruction_source.h"

// Bytes in memory, read as a file would be. Reads can be made shorter and
// rewinding can be made to fail, to show how the reader copes.
class MemorySource final : public InstructionSource {
  public:
    MemorySource(const void* bytes, std::size_t size)
        : bytes_(static_cast<const unsigned char*>(bytes)), size_(size) {}

    // Each read hands back at most `count` bytes (at least 1).
    void limitEachRead(std::size_t count) { readLimit_ = count ? count : 1; }
    void failRewind() { rewindFails_ = true; }

    std::uint32_t size() override { return static_cast<std::uint32_t>(size_); }
    std::size_t read(unsigned char* into, std::size_t count) override;
    bool rewind() override;

  private:
    const unsigned char* bytes_;
    std::size_t size_;
    std::size_t position_ = 0;
    std::size_t readLimit_ = SIZE_MAX;
    bool rewindFails_ = false;
};
