#pragma once
// The decompressor of RAR 2.0 (unpack versions 20 and 26): LZ with prefix codes whose lengths
// are sent as differences to the previous table, and a multimedia mode that codes audio
// samples as the error of an adaptive linear predictor, per channel.

#include "bit_reader.h"
#include "decoder.h"
#include "huffman.h"
#include "lz_window.h"

#include <cstdint>

namespace myrar::unpack {

class Unpack20 : public Decoder {
public:
    UnpackStatus unpack(const UnpackInput& input, const OutputSink& sink) override;

    static constexpr int kMainCodes = 298;
    static constexpr int kDistCodes = 48;
    static constexpr int kRepLenCodes = 28;
    static constexpr int kLevelCodes = 19;
    static constexpr int kAudioCodes = 257;
    static constexpr int kMaxChannels = 4;
    static constexpr int kLzTableSize = kMainCodes + kDistCodes + kRepLenCodes;
    static constexpr int kMaxTableSize = kAudioCodes * kMaxChannels;

    // The state of one audio channel's predictor.
    struct AudioChannel {
        int k[5] = {}; // predictor weights
        int d[4] = {}; // recent deltas
        int lastDelta = 0;
        uint32_t dif[11] = {}; // error sums of the candidate weight changes
        uint32_t count = 0;
        int lastChar = 0;
    };
    // Decodes one audio byte of `channel` from its coded error; `channelDelta` links channels.
    static uint8_t decodeAudio(AudioChannel& channel, int& channelDelta, uint32_t delta);

private:
    void resetStream();
    bool readTables();
    void readTablesAtEnd();
    bool copy(uint32_t distance, uint32_t length);
    UnpackStatus decodeFile();
    void flush();

    LzWindow window_;
    uint64_t dictionary_ = 0;
    BitReader in_;
    bool started_ = false;
    bool tablesRead_ = false;

    HuffmanDecoder main_, dist_, repLen_;
    HuffmanDecoder audio_[kMaxChannels];
    uint8_t oldTable_[kMaxTableSize] = {};
    bool audioMode_ = false;
    int channels_ = 1;
    int currentChannel_ = 0;
    int channelDelta_ = 0;
    AudioChannel audioState_[kMaxChannels];

    uint32_t oldDist_[4] = {};
    unsigned oldDistPos_ = 0;
    uint32_t lastDist_ = 0;
    uint32_t lastLength_ = 0;

    uint64_t fileEnd_ = 0;
    uint64_t written_ = 0;
    const OutputSink* sink_ = nullptr;
};

} // namespace myrar::unpack
