#pragma once
// The decompressor of RAR 2.9/3.x (unpack version 29): LZ blocks coded with prefix codes,
// text blocks coded with the order-n model, and standard filters over the output. One
// object carries the state of a solid stream from entry to entry.

#include "bit_reader.h"
#include "decoder.h"
#include "huffman.h"
#include "lz_window.h"
#include "ppmd_h_model.h"
#include "rar3_filters.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace myrar::unpack {

class Unpack29 : public Decoder {
public:
    // The window is the format's largest dictionary whatever the header says: distances
    // never reach past it, and filter blocks always fit beside the longest match.
    static constexpr uint32_t kWindowSize = 0x400000;

    // Unpacks one entry. Unsupported means a filter program other than the standard ones.
    UnpackStatus unpack(const UnpackInput& input, const OutputSink& sink) override;

private:
    static constexpr int kMainCodes = 299;
    static constexpr int kDistCodes = 60;
    static constexpr int kLowDistCodes = 17;
    static constexpr int kRepLenCodes = 28;
    static constexpr int kLevelCodes = 20;
    static constexpr int kTableSize = kMainCodes + kDistCodes + kLowDistCodes + kRepLenCodes;

    enum class Block { Lz, Ppm };
    // Why the decoding loop stopped.
    enum class Stop { None, EndOfFile, Error };

    struct FilterDef {
        Rar3FilterKind kind = Rar3FilterKind::Unknown;
        uint32_t lastLength = 0;
    };
    struct PendingFilter {
        std::size_t def = 0;
        uint64_t start = 0;
        uint32_t length = 0;
        Rar3FilterParams params;
    };

    class PpmInput : public ByteInput {
    public:
        explicit PpmInput(BitReader& bits) : bits_(bits) {}
        uint32_t nextByte() override { return bits_.read(8); }

    private:
        BitReader& bits_;
    };

    void resetStream();
    UnpackStatus decodeFile(bool solid);
    void startFile(bool solid);
    Stop decodeLz();
    Stop decodePpm();
    bool readTables();
    bool readEndOfBlock(bool& endOfFile);
    bool readFilterFromBits();
    bool readFilterFromPpm();
    bool addFilter(uint32_t first, const uint8_t* code, std::size_t size);
    void tryEndMarker();
    Stop fail(UnpackStatus why);
    Stop failPpm();

    bool copyMatch(uint32_t length, uint32_t distance);
    void insertOldDist(uint32_t distance);
    void flush(bool final);
    void emitBytes(uint64_t from, const uint8_t* data, std::size_t size);
    void emitWindow(uint64_t from, uint64_t to);

    LzWindow window_;
    uint64_t written_ = 0; // stream bytes handed on (or dropped)
    uint64_t limit_ = 0;   // where the current decoding run must pause
    uint64_t fileStart_ = 0;
    uint64_t fileSize_ = 0;
    uint64_t fileWritten_ = 0;
    const OutputSink* out_ = nullptr;
    UnpackStatus error_ = UnpackStatus::Ok;

    BitReader bits_;
    PpmInput ppmInput_{bits_};
    PpmdModel ppm_;
    int ppmEscape_ = 2;
    Block block_ = Block::Lz;
    bool tablesRead_ = false;

    HuffmanDecoder mainCode_, distCode_, lowDistCode_, repLenCode_;
    uint8_t oldTable_[kTableSize] = {};
    uint32_t oldDist_[4] = {};
    uint32_t lastLength_ = 0;
    uint32_t prevLowDist_ = 0;
    uint32_t lowDistRepeats_ = 0;

    std::vector<FilterDef> filterDefs_;
    std::vector<PendingFilter> pending_;
    std::size_t lastFilter_ = 0;
    std::vector<uint8_t> filterBlock_, filterScratch_;
};

} // namespace myrar::unpack
