#pragma once
// A canonical prefix-code decoder built from code lengths: shorter codes first and, within
// one length, symbols in ascending order. This is how all RAR formats from 2.0 on transmit
// their tables. A table whose lengths over-subscribe the code space is refused; an
// incomplete one is accepted (encoders write them) and its unused codes decode as invalid.

#include "bit_reader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace myrar::unpack {

class HuffmanDecoder {
public:
    static constexpr int kMaxBits = 15;
    static constexpr uint32_t kInvalidSymbol = 0xFFFFFFFF;

    // Builds the decoder from one length per symbol (0 = symbol unused). False when a
    // length exceeds kMaxBits or the lengths over-subscribe the code space.
    bool build(const uint8_t* lengths, std::size_t count);

    // Decodes one symbol, or kInvalidSymbol for a code the table does not assign (or an
    // empty table). Always consumes at least one bit so that no loop can stall.
    uint32_t decode(BitReader& in) const {
        uint32_t bits = in.peek16();
        const Entry& e = fast_[bits >> (16 - kFastBits)];
        if (e.length != 0) {
            in.skip(e.length);
            return e.symbol;
        }
        return decodeSlow(in, bits);
    }

    // True when the lengths fill the code space exactly.
    bool complete() const { return complete_; }
    std::size_t symbolCount() const { return count_; }

private:
    static constexpr int kFastBits = 10;
    struct Entry {
        uint16_t symbol = 0;
        uint8_t length = 0; // 0: code longer than kFastBits, or unassigned
    };

    uint32_t decodeSlow(BitReader& in, uint32_t bits) const;

    std::size_t count_ = 0;
    bool complete_ = false;
    // Per length: the first canonical code (left-aligned to 16 bits), the number of codes and
    // where their symbols start in symbols_.
    uint32_t limit_[kMaxBits + 2] = {};
    uint32_t first_[kMaxBits + 1] = {};
    uint32_t offset_[kMaxBits + 1] = {};
    std::vector<uint16_t> symbols_;
    Entry fast_[1 << kFastBits];
};

} // namespace myrar::unpack
