#include <cstring>

#include "memory_source.h"

std::size_t MemorySource::read(unsigned char* into, std::size_t count) {
    std::size_t left = size_ - position_;
    if (count > left) count = left;
    if (count > readLimit_) count = readLimit_;
    if (count) std::memcpy(into, bytes_ + position_, count);
    position_ += count;
    return count;
}

bool MemorySource::rewind() {
    if (rewindFails_) return false;
    position_ = 0;
    return true;
}
