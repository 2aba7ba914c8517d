#pragma once
// The decompressor of RAR 5.0 (unpack version 50, and 70 with its larger distance table):
// byte-aligned blocks, each optionally carrying new prefix-code tables, coding literals,
// matches with four repeat distances, and filters applied to ranges of the output.

#include "bit_reader.h"
#include "decoder.h"
#include "huffman.h"
#include "lz_window.h"
#include "rar5_filters.h"

#include <cstdint>
#include <vector>

namespace myrar::unpack {

class Unpack50 : public Decoder {
public:
    UnpackStatus unpack(const UnpackInput& input, const OutputSink& sink) override;

    static constexpr int kMainCodes = 306;
    static constexpr int kDistCodes50 = 64;
    static constexpr int kDistCodes70 = 80;
    static constexpr int kLowDistCodes = 16;
    static constexpr int kRepLenCodes = 44;
    static constexpr int kLevelCodes = 20;
    static constexpr int kMaxTableSize = kMainCodes + kDistCodes70 + kLowDistCodes + kRepLenCodes;

private:
    struct BlockHeader {
        std::size_t endBit = 0; // first bit after the block's data
        bool last = false;
        bool tables = false;
    };
    struct PendingFilter {
        Rar5FilterType type;
        uint64_t start; // absolute stream position
        uint32_t length;
        uint32_t channels;
    };

    UnpackStatus startStream(const UnpackInput& input);
    bool readBlockHeader(BlockHeader& header);
    bool readTables();
    bool readFilter();
    UnpackStatus decodeFile();
    bool copy(uint64_t distance, uint32_t length);
    uint32_t readLength(uint32_t slot);
    uint64_t readDistance(uint32_t slot);
    // Hands finished output on: plain bytes up to the next filter, then each filter whose
    // range is complete. False on a filter that reaches behind what was handed on.
    bool flush();

    LzWindow window_;
    uint64_t dictionary_ = 0;
    int distCodes_ = kDistCodes50;
    BitReader in_;
    BlockHeader block_;
    bool tablesRead_ = false;
    HuffmanDecoder main_, dist_, lowDist_, repLen_;
    uint64_t rep_[4] = {};
    uint32_t lastLength_ = 0;
    std::vector<PendingFilter> filters_;
    std::vector<uint8_t> filterIn_, filterOut_;

    // The current entry: its first stream position, its end, and how far it was handed on.
    uint64_t fileStart_ = 0;
    uint64_t fileEnd_ = 0;
    uint64_t written_ = 0;
    const OutputSink* sink_ = nullptr;
    bool started_ = false;
};

} // namespace myrar::unpack
