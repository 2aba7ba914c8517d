#pragma once
// The order-n text model of RAR 3.x (prediction by partial matching, variant H) with its
// range decoder. One model lives as long as a solid stream: blocks may restart it or carry
// on with it.

#include "ppmd_h_heap.h"
#include "rar3_range_decoder.h"

#include <cstdint>

namespace myrar::unpack {

class PpmdModel {
public:
    static constexpr int kMaxOrder = 64;

    PpmdModel();

    // Reads a text block's header (flags byte, memory size, escape symbol) and starts the
    // range decoder on the bytes that follow. `escape` keeps its value unless the header
    // sets one. False when the header is unusable (no model to continue, order 1, memory
    // out of range).
    bool startBlock(ByteInput& input, int& escape);

    // The next symbol 0-255, or -1 when the data cannot be decoded.
    int decodeSymbol();

    // Drops the model and its memory; a later block must restart it.
    void reset();
    // Drops the model but keeps its memory for the next restart.
    void forget() { minContext_ = maxContext_ = foundState_ = 0; }

private:
    // A symbol's statistics: symbol(1) frequency(1) successor(4).
    static constexpr uint32_t kStateSize = 6;
    // A context: state count(2), then either frequency sum(2) and statistics(4) or the
    // one state in place of both, then the shorter context(4).
    static constexpr uint32_t kNumStats = 0;
    static constexpr uint32_t kSummFreq = 2;
    static constexpr uint32_t kOneState = 2;
    static constexpr uint32_t kStats = 4;
    static constexpr uint32_t kSuffix = 8;

    struct See2 {
        uint16_t summ;
        uint8_t shift;
        uint8_t count;
        void init(uint32_t value);
        uint32_t mean();
        void update();
    };

    // State fields.
    uint8_t sym(uint32_t s) const { return heap_.get8(s); }
    uint8_t freq(uint32_t s) const { return heap_.get8(s + 1); }
    uint32_t successor(uint32_t s) const { return heap_.get32(s + 2); }
    void setSym(uint32_t s, uint8_t v) { heap_.set8(s, v); }
    void setFreq(uint32_t s, uint32_t v) { heap_.set8(s + 1, static_cast<uint8_t>(v)); }
    void setSuccessor(uint32_t s, uint32_t v) { heap_.set32(s + 2, v); }
    void copyState(uint32_t to, uint32_t from) { heap_.move(to, from, kStateSize); }
    void swapStates(uint32_t a, uint32_t b);

    // Context fields.
    uint32_t numStats(uint32_t c) const { return heap_.get16(c + kNumStats); }
    uint32_t summFreq(uint32_t c) const { return heap_.get16(c + kSummFreq); }
    uint32_t stats(uint32_t c) const { return heap_.get32(c + kStats); }
    uint32_t suffix(uint32_t c) const { return heap_.get32(c + kSuffix); }
    void setNumStats(uint32_t c, uint32_t v) {
        heap_.set16(c + kNumStats, static_cast<uint16_t>(v));
    }
    void setSummFreq(uint32_t c, uint32_t v) {
        heap_.set16(c + kSummFreq, static_cast<uint16_t>(v));
    }
    void setStats(uint32_t c, uint32_t v) { heap_.set32(c + kStats, v); }
    void setSuffix(uint32_t c, uint32_t v) { heap_.set32(c + kSuffix, v); }
    static uint32_t oneState(uint32_t c) { return c + kOneState; }

    bool isContext(uint32_t c) const { return c > heap_.text() && c < heap_.end(); }

    void restart();
    void startModel(int maxOrder);
    uint32_t createSuccessors(bool skip, uint32_t p1);
    void updateModel();
    void clearMask();
    void rescale(uint32_t context);
    bool decodeSymbol1(uint32_t context);
    void decodeBinSymbol(uint32_t context);
    bool decodeSymbol2(uint32_t context);
    void update1(uint32_t context, uint32_t state);
    void update2(uint32_t context, uint32_t state);
    See2* makeEscFreq2(uint32_t context, uint32_t diff, uint32_t& scale);

    PpmdHeap heap_;
    Rar3RangeDecoder coder_;
    uint32_t minContext_ = 0;
    uint32_t maxContext_ = 0;
    uint32_t foundState_ = 0;
    int maxOrder_ = 0;
    int orderFall_ = 0;
    int initRL_ = 0;
    int runLength_ = 0;
    uint32_t numMasked_ = 0;
    uint32_t initEsc_ = 0;
    uint32_t prevSuccess_ = 0;
    uint32_t hiBitsFlag_ = 0;
    uint8_t escCount_ = 0;
    uint8_t charMask_[256] = {};

    See2 see2_[25][16];
    See2 dummySee2_;
    uint16_t binSumm_[128][64];
    uint8_t ns2Index_[256];
    uint8_t ns2BsIndex_[256];
    uint8_t hb2Flag_[256];
};

} // namespace myrar::unpack
