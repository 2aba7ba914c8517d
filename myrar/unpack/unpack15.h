#pragma once
// The decompressor of RAR 1.5 (unpack version 15): LZ with adaptive codes. Literals, match
// distances and the flag bytes that choose between them are coded by their rank in move-to-
// front style lists, with one of a few fixed code tables picked by running averages.

#include "bit_reader.h"
#include "decoder.h"
#include "lz_window.h"

#include <cstdint>

namespace myrar::unpack {

class Unpack15 : public Decoder {
public:
    UnpackStatus unpack(const UnpackInput& input, const OutputSink& sink) override;

    // One fixed code table: the upper limits of each code length's 16-bit range, from
    // `firstLength` on, and the first symbol of each length.
    struct FixedCode {
        unsigned firstLength;
        const uint16_t* limits;
        const uint16_t* firstSymbol;
    };

private:
    void resetStream();
    void resetLists();
    static void rescale(uint16_t* list, uint16_t* rankCount);
    unsigned decodeFixed(const FixedCode& code);
    bool readFlags();
    bool shortMatch();
    bool longMatch();
    bool literal();
    bool copy(uint32_t distance, uint32_t length);
    void remember(uint32_t distance, uint32_t length);
    UnpackStatus decodeFile();

    LzWindow window_;
    BitReader in_;
    bool started_ = false;

    // High byte: the byte (or distance) a rank stands for; low byte: its use count.
    uint16_t literals_[256] = {};
    uint16_t shortDist_[256] = {};
    uint16_t longDist_[256] = {};
    uint16_t flagCodes_[256] = {};
    uint16_t literalRanks_[256] = {};
    uint16_t longDistRanks_[256] = {};
    uint16_t flagRanks_[256] = {};

    uint32_t flagBits_ = 0;
    int flagsLeft_ = 0;
    uint32_t avgLiteralPlace_ = 0;
    uint32_t avgLongPlace_ = 0;
    uint32_t avgShortLength_ = 0;
    uint32_t avgLongLength_ = 0;
    uint32_t avgLongLength3_ = 0;
    uint32_t literalRun_ = 0;
    uint32_t buf60_ = 0;
    uint32_t literalWeight_ = 0;
    uint32_t matchWeight_ = 0;
    uint32_t maxDist3_ = 0;
    uint32_t repeatCount_ = 0;
    bool literalMode_ = false;

    uint32_t oldDist_[4] = {};
    unsigned oldDistPos_ = 0;
    uint32_t lastDist_ = 0;
    uint32_t lastLength_ = 0;

    uint64_t fileEnd_ = 0;
    uint64_t written_ = 0;
    const OutputSink* sink_ = nullptr;
};

} // namespace myrar::unpack
