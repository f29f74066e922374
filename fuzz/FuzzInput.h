// Reads a fuzzer's bytes as a stream of choices. Once the bytes run out every
// read answers zero or empty, so a harness never has to check what is left
// and a short input still reaches the end of its scenario.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace orv::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return offset_ >= size_; }
    std::size_t remaining() const { return size_ - std::min(offset_, size_); }

    std::uint8_t byte() { return empty() ? 0 : data_[offset_++]; }
    bool flag() { return (byte() & 1) != 0; }
    // A value in [0, bound); 0 for a bound of 0.
    unsigned below(unsigned bound) { return bound == 0 ? 0 : byte() % bound; }

    template <typename Integer>
    Integer integer() {
        Integer value{};
        fill(&value, sizeof value);
        return value;
    }

    // Copies up to `size` bytes into `target` and zeroes what is left.
    void fill(void* target, std::size_t size) {
        const std::size_t taken = std::min(size, remaining());
        std::memset(target, 0, size);
        if (taken > 0) std::memcpy(target, data_ + offset_, taken);
        offset_ += taken;
    }

    // A text whose length comes first (one byte, at most maxLength).
    std::string text(std::size_t maxLength = 32) {
        const std::size_t length = std::min<std::size_t>(byte() % (maxLength + 1), remaining());
        std::string out(reinterpret_cast<const char*>(data_ + offset_), length);
        offset_ += length;
        return out;
    }

    std::string rest() {
        std::string out(reinterpret_cast<const char*>(data_ + std::min(offset_, size_)), remaining());
        offset_ = size_;
        return out;
    }

    template <typename T, std::size_t N>
    const T& pick(const T (&choices)[N]) {
        return choices[below(N)];
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

}  // namespace orv::fuzz
