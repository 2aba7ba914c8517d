#pragma once
// Writes bits most significant first, for hand-made packed streams in the tests.
#include <cstdint>
#include <string>
#include <vector>

class BitWriter {
public:
    void put(uint32_t value, unsigned bits) {
        for (unsigned i = bits; i-- > 0;) {
            if (count_ % 8 == 0)
                bytes_.push_back(0);
            if ((value >> i) & 1)
                bytes_.back() |= static_cast<uint8_t>(0x80 >> (count_ % 8));
            ++count_;
        }
    }
    // A code given as a string of '0' and '1'.
    void code(const std::string& bits) {
        for (char c : bits)
            put(c == '1', 1);
    }
    void padBytes(std::size_t n) {
        bytes_.insert(bytes_.end(), n, 0);
        count_ += 8 * n;
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::size_t bitCount() const { return count_; }

private:
    std::vector<uint8_t> bytes_;
    std::size_t count_ = 0;
};
