#include "huffman.h"

namespace myrar::unpack {

bool HuffmanDecoder::build(const uint8_t* lengths, std::size_t count) {
    count_ = 0;
    complete_ = false;
    symbols_.clear();
    for (Entry& e : fast_)
        e = Entry{};
    for (int b = 0; b <= kMaxBits; ++b)
        first_[b] = limit_[b] = offset_[b] = 0;
    limit_[kMaxBits + 1] = 0;
    if (count > 0x10000)
        return false;

    uint32_t lengthCount[kMaxBits + 1] = {};
    for (std::size_t i = 0; i < count; ++i) {
        if (lengths[i] > kMaxBits)
            return false;
        ++lengthCount[lengths[i]];
    }
    lengthCount[0] = 0;

    // Codes are kept left-aligned in 16 bits: a code of length b spans 1 << (16 - b) values.
    uint32_t code = 0;
    uint32_t position = 0;
    for (int b = 1; b <= kMaxBits; ++b) {
        first_[b] = code;
        offset_[b] = position;
        code += lengthCount[b] << (16 - b);
        if (code > 0x10000)
            return false; // over-subscribed
        limit_[b] = code;
        position += lengthCount[b];
    }
    complete_ = code == 0x10000;

    symbols_.assign(position, 0);
    uint32_t fill[kMaxBits + 1];
    for (int b = 0; b <= kMaxBits; ++b)
        fill[b] = offset_[b];
    for (std::size_t i = 0; i < count; ++i)
        if (lengths[i] != 0)
            symbols_[fill[lengths[i]]++] = static_cast<uint16_t>(i);

    for (int b = 1; b <= kFastBits; ++b) {
        for (uint32_t k = 0; k < lengthCount[b]; ++k) {
            uint32_t start = (first_[b] + (k << (16 - b))) >> (16 - kFastBits);
            uint32_t span = 1u << (kFastBits - b);
            for (uint32_t j = 0; j < span; ++j)
                fast_[start + j] = Entry{symbols_[offset_[b] + k], static_cast<uint8_t>(b)};
        }
    }
    count_ = count;
    return true;
}

uint32_t HuffmanDecoder::decodeSlow(BitReader& in, uint32_t bits) const {
    for (int b = kFastBits + 1; b <= kMaxBits; ++b) {
        if (bits < limit_[b] && bits >= first_[b]) {
            in.skip(b);
            return symbols_[offset_[b] + ((bits - first_[b]) >> (16 - b))];
        }
    }
    in.skip(1);
    return kInvalidSymbol;
}

} // namespace myrar::unpack
