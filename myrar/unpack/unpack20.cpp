#include "unpack20.h"

#include <algorithm>
#include <cstdlib>

namespace myrar::unpack {

namespace {

// Main code symbols.
constexpr uint32_t kSymRepeatLast = 256;
constexpr uint32_t kSymRepeatDist = 257; // 257..260: one of the last four distances
constexpr uint32_t kSymShortMatch = 261; // 261..268: length 2, short distance
constexpr uint32_t kSymNewTables = 269;
constexpr uint32_t kSymMatch = 270;
constexpr uint32_t kAudioNewTables = 256;

// Level code symbols.
constexpr uint32_t kLevelRepeat = 16;
constexpr uint32_t kLevelZeros3 = 17;
constexpr uint32_t kLevelZeros11 = 18;

// Header bits in front of each set of tables.
constexpr uint32_t kTablesAudio = 0x8000;
constexpr uint32_t kTablesKeepOld = 0x4000;

constexpr uint64_t kFlushChunk = 0x40000;
constexpr uint32_t kMaxMatch = 0x200;

// Extra bits per length, distance and short-distance slot; the slot bases follow from them.
constexpr uint8_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                     2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr uint8_t kDistBits[48] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                   7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
                                   15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
constexpr uint8_t kShortDistBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

struct Bases {
    uint32_t length[28];
    uint32_t dist[48];
    uint32_t shortDist[8];
    Bases() {
        fill(length, kLengthBits, 28);
        fill(dist, kDistBits, 48);
        fill(shortDist, kShortDistBits, 8);
    }
    // Each slot starts where the previous one's extra bits end.
    static void fill(uint32_t* base, const uint8_t* bits, int count) {
        uint32_t v = 0;
        for (int i = 0; i < count; ++i) {
            base[i] = v;
            v += 1u << bits[i];
        }
    }
};

const Bases& bases() {
    static const Bases instance;
    return instance;
}

} // namespace

UnpackStatus Unpack20::unpack(const UnpackInput& input, const OutputSink& sink) {
    if (!input.solid || !started_) {
        if (input.dictionarySize > LzWindow::kMaxSize)
            return UnpackStatus::NoMemory;
        dictionary_ = std::max<uint64_t>(input.dictionarySize, LzWindow::kMinSize);
        if (!window_.init(dictionary_ + kFlushChunk + kMaxMatch))
            return UnpackStatus::NoMemory;
        resetStream();
        started_ = true;
    } else if (input.dictionarySize > dictionary_) {
        return UnpackStatus::Damaged;
    }
    in_ = BitReader(input.packed, input.packedSize);
    fileEnd_ = window_.position() + input.unpackedSize;
    written_ = window_.position();
    sink_ = &sink;
    UnpackStatus status = UnpackStatus::Ok;
    // A solid entry starts with tables only when the stream has none yet.
    if ((!input.solid || !tablesRead_) && !readTables())
        status = UnpackStatus::Damaged;
    if (status == UnpackStatus::Ok)
        status = decodeFile();
    if (status == UnpackStatus::Ok)
        readTablesAtEnd();
    sink_ = nullptr;
    if (status != UnpackStatus::Ok)
        started_ = false;
    return status;
}

void Unpack20::resetStream() {
    std::fill(std::begin(oldTable_), std::end(oldTable_), 0);
    std::fill(std::begin(oldDist_), std::end(oldDist_), 0);
    oldDistPos_ = 0;
    lastDist_ = lastLength_ = 0;
    audioMode_ = false;
    channels_ = 1;
    currentChannel_ = 0;
    channelDelta_ = 0;
    for (AudioChannel& c : audioState_)
        c = AudioChannel{};
    tablesRead_ = false;
}

bool Unpack20::readTables() {
    uint32_t head = in_.peek16();
    audioMode_ = (head & kTablesAudio) != 0;
    if (!(head & kTablesKeepOld))
        std::fill(std::begin(oldTable_), std::end(oldTable_), 0);
    in_.skip(2);
    int tableSize = kLzTableSize;
    if (audioMode_) {
        channels_ = static_cast<int>(in_.read(2)) + 1;
        if (currentChannel_ >= channels_)
            currentChannel_ = 0;
        tableSize = kAudioCodes * channels_;
    }
    uint8_t levelLengths[kLevelCodes];
    for (uint8_t& l : levelLengths)
        l = static_cast<uint8_t>(in_.read(4));
    HuffmanDecoder level;
    if (!level.build(levelLengths, kLevelCodes))
        return false;

    uint8_t table[kMaxTableSize];
    for (int i = 0; i < tableSize;) {
        if (in_.overrun())
            return false;
        uint32_t sym = level.decode(in_);
        if (sym < kLevelRepeat) {
            table[i] = static_cast<uint8_t>((sym + oldTable_[i]) & 0xF);
            ++i;
        } else if (sym == kLevelRepeat) {
            if (i == 0)
                return false;
            unsigned count = in_.read(2) + 3;
            for (unsigned k = 0; k < count && i < tableSize; ++k, ++i)
                table[i] = table[i - 1];
        } else if (sym == kLevelZeros3 || sym == kLevelZeros11) {
            unsigned count = sym == kLevelZeros3 ? in_.read(3) + 3 : in_.read(7) + 11;
            for (unsigned k = 0; k < count && i < tableSize; ++k)
                table[i++] = 0;
        } else {
            return false;
        }
    }
    if (in_.overrun())
        return false;
    std::copy(table, table + tableSize, oldTable_);
    if (audioMode_) {
        for (int c = 0; c < channels_; ++c)
            if (!audio_[c].build(table + c * kAudioCodes, kAudioCodes))
                return false;
    } else if (!main_.build(table, kMainCodes) || !dist_.build(table + kMainCodes, kDistCodes) ||
               !repLen_.build(table + kMainCodes + kDistCodes, kRepLenCodes)) {
        return false;
    }
    tablesRead_ = true;
    return true;
}

// A solid stream may switch tables right after an entry's last symbol; the switch belongs to
// the next entry, so it is read now while this entry's data is at hand.
void Unpack20::readTablesAtEnd() {
    constexpr std::size_t kMinLeft = 5;
    if (in_.bytePosition() + kMinLeft > in_.size())
        return;
    BitReader probe = in_;
    uint32_t sym = audioMode_ ? audio_[currentChannel_].decode(probe) : main_.decode(probe);
    if (sym == (audioMode_ ? kAudioNewTables : kSymNewTables)) {
        in_ = probe;
        if (!readTables())
            tablesRead_ = false;
    }
}

bool Unpack20::copy(uint32_t distance, uint32_t length) {
    oldDist_[oldDistPos_++ & 3] = distance;
    lastDist_ = distance;
    lastLength_ = length;
    if (distance > dictionary_)
        return false;
    uint64_t room = fileEnd_ - window_.position();
    return window_.copyMatch(distance, static_cast<uint32_t>(std::min<uint64_t>(length, room)));
}

void Unpack20::flush() {
    uint64_t end = std::min(window_.position(), fileEnd_);
    window_.emit(written_, end, *sink_);
    written_ = end;
}

UnpackStatus Unpack20::decodeFile() {
    const Bases& b = bases();
    while (window_.position() < fileEnd_) {
        if (in_.overrun())
            return UnpackStatus::Truncated;
        if (!tablesRead_)
            return UnpackStatus::Damaged;
        if (window_.position() - written_ >= kFlushChunk)
            flush();
        if (audioMode_) {
            uint32_t sym = audio_[currentChannel_].decode(in_);
            if (sym == kAudioNewTables) {
                if (!readTables())
                    return UnpackStatus::Damaged;
                continue;
            }
            if (sym >= uint32_t(kAudioCodes))
                return UnpackStatus::Damaged;
            window_.put(decodeAudio(audioState_[currentChannel_], channelDelta_, sym));
            if (++currentChannel_ == channels_)
                currentChannel_ = 0;
            continue;
        }
        uint32_t sym = main_.decode(in_);
        if (sym < 256) {
            window_.put(static_cast<uint8_t>(sym));
        } else if (sym >= kSymMatch && sym < uint32_t(kMainCodes)) {
            uint32_t slot = sym - kSymMatch;
            uint32_t length = b.length[slot] + 3 + in_.read(kLengthBits[slot]);
            uint32_t dslot = dist_.decode(in_);
            if (dslot >= uint32_t(kDistCodes))
                return UnpackStatus::Damaged;
            uint32_t distance = b.dist[dslot] + 1 + in_.read(kDistBits[dslot]);
            if (distance >= 0x2000)
                ++length;
            if (distance >= 0x40000)
                ++length;
            if (!copy(distance, length))
                return UnpackStatus::Damaged;
        } else if (sym == kSymNewTables) {
            if (!readTables())
                return UnpackStatus::Damaged;
        } else if (sym == kSymRepeatLast) {
            if (lastLength_ != 0 && !copy(lastDist_, lastLength_))
                return UnpackStatus::Damaged;
        } else if (sym < kSymShortMatch) {
            uint32_t distance = oldDist_[(oldDistPos_ - (sym - kSymRepeatLast)) & 3];
            uint32_t slot = repLen_.decode(in_);
            if (slot >= uint32_t(kRepLenCodes))
                return UnpackStatus::Damaged;
            uint32_t length = b.length[slot] + 2 + in_.read(kLengthBits[slot]);
            if (distance >= 0x101)
                ++length;
            if (distance >= 0x2000)
                ++length;
            if (distance >= 0x40000)
                ++length;
            if (!copy(distance, length))
                return UnpackStatus::Damaged;
        } else if (sym < kSymNewTables) {
            uint32_t slot = sym - kSymShortMatch;
            uint32_t distance = b.shortDist[slot] + 1 + in_.read(kShortDistBits[slot]);
            if (!copy(distance, 2))
                return UnpackStatus::Damaged;
        } else {
            return UnpackStatus::Damaged;
        }
    }
    if (in_.overrun())
        return UnpackStatus::Truncated;
    flush();
    return UnpackStatus::Ok;
}

uint8_t Unpack20::decodeAudio(AudioChannel& v, int& channelDelta, uint32_t delta) {
    ++v.count;
    v.d[3] = v.d[2];
    v.d[2] = v.d[1];
    v.d[1] = v.lastDelta - v.d[0];
    v.d[0] = v.lastDelta;
    int predicted = 8 * v.lastChar + v.k[0] * v.d[0] + v.k[1] * v.d[1] + v.k[2] * v.d[2] +
                    v.k[3] * v.d[3] + v.k[4] * channelDelta;
    predicted = (predicted >> 3) & 0xFF;
    uint32_t ch = static_cast<uint32_t>(predicted) - delta;

    // Track how each candidate change of the weights would have done on this sample.
    int d = static_cast<int8_t>(delta) * 8;
    const int refs[5] = {v.d[0], v.d[1], v.d[2], v.d[3], channelDelta};
    v.dif[0] += static_cast<uint32_t>(std::abs(d));
    for (int i = 0; i < 5; ++i) {
        v.dif[1 + 2 * i] += static_cast<uint32_t>(std::abs(d - refs[i]));
        v.dif[2 + 2 * i] += static_cast<uint32_t>(std::abs(d + refs[i]));
    }
    channelDelta = v.lastDelta = static_cast<int8_t>(ch - static_cast<uint32_t>(v.lastChar));
    v.lastChar = static_cast<int>(ch & 0xFF);

    constexpr uint32_t kAdaptPeriod = 0x1F;
    constexpr int kWeightLimit = 16;
    if ((v.count & kAdaptPeriod) == 0) {
        uint32_t best = v.dif[0];
        int bestIndex = 0;
        v.dif[0] = 0;
        for (int i = 1; i < 11; ++i) {
            if (v.dif[i] < best) {
                best = v.dif[i];
                bestIndex = i;
            }
            v.dif[i] = 0;
        }
        if (bestIndex != 0) {
            int& k = v.k[(bestIndex - 1) / 2];
            if (bestIndex % 2 == 1) {
                if (k >= -kWeightLimit)
                    --k;
            } else if (k < kWeightLimit) {
                ++k;
            }
        }
    }
    return static_cast<uint8_t>(ch);
}

} // namespace myrar::unpack
