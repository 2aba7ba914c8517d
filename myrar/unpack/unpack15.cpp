#include "unpack15.h"

#include <algorithm>
#include <iterator>

namespace myrar::unpack {

namespace {

constexpr uint64_t kWindowSize = 0x10000;
constexpr uint64_t kFlushChunk = 0x10000;
constexpr uint32_t kMaxMatch = 0x200;

// The fixed code tables. Each lists, for code lengths from its first on, the upper limit of
// that length's codes (left-aligned in 16 bits), and the first symbol of each length.
constexpr uint16_t kLen1Limits[] = {0x8000, 0xa000, 0xc000, 0xd000, 0xe000, 0xea00,
                                    0xee00, 0xf000, 0xf200, 0xf200, 0xffff};
constexpr uint16_t kLen1First[] = {0, 0, 0, 2, 3, 5, 7, 11, 16, 20, 24, 32, 32};
constexpr uint16_t kLen2Limits[] = {0xa000, 0xc000, 0xd000, 0xe000, 0xea00,
                                    0xee00, 0xf000, 0xf200, 0xf240, 0xffff};
constexpr uint16_t kLen2First[] = {0, 0, 0, 0, 5, 7, 9, 13, 18, 22, 26, 34, 36};
constexpr uint16_t kHf0Limits[] = {0x8000, 0xc000, 0xe000, 0xf200, 0xf200,
                                   0xf200, 0xf200, 0xf200, 0xffff};
constexpr uint16_t kHf0First[] = {0, 0, 0, 0, 0, 8, 16, 24, 33, 33, 33, 33, 33};
constexpr uint16_t kHf1Limits[] = {0x2000, 0xc000, 0xe000, 0xf000, 0xf200, 0xf200, 0xf7e0, 0xffff};
constexpr uint16_t kHf1First[] = {0, 0, 0, 0, 0, 0, 4, 44, 60, 76, 80, 80, 127};
constexpr uint16_t kHf2Limits[] = {0x1000, 0x2400, 0x8000, 0xc000, 0xfa00, 0xffff, 0xffff, 0xffff};
constexpr uint16_t kHf2First[] = {0, 0, 0, 0, 0, 0, 2, 7, 53, 117, 233, 0, 0};
constexpr uint16_t kHf3Limits[] = {0x0800, 0x2400, 0xee00, 0xfe80, 0xffff, 0xffff, 0xffff};
constexpr uint16_t kHf3First[] = {0, 0, 0, 0, 0, 0, 0, 2, 16, 218, 251, 0, 0};
constexpr uint16_t kHf4Limits[] = {0xff00, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff};
constexpr uint16_t kHf4First[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0};

constexpr Unpack15::FixedCode kLen1{2, kLen1Limits, kLen1First};
constexpr Unpack15::FixedCode kLen2{3, kLen2Limits, kLen2First};
constexpr Unpack15::FixedCode kHf0{4, kHf0Limits, kHf0First};
constexpr Unpack15::FixedCode kHf1{5, kHf1Limits, kHf1First};
constexpr Unpack15::FixedCode kHf2{5, kHf2Limits, kHf2First};
constexpr Unpack15::FixedCode kHf3{6, kHf3Limits, kHf3First};
constexpr Unpack15::FixedCode kHf4{8, kHf4Limits, kHf4First};

// The short match codes: for each length index, its code bits (left-aligned in a byte) and
// their count. The entry whose count is kVariableLength has 3 bits, or 4 once toggled.
constexpr unsigned kShortCodes = 15;
constexpr unsigned kVariableLength = 0;
constexpr uint8_t kShortLen1[kShortCodes] = {1, kVariableLength, 4, 4, 5, 6, 7, 8, 8, 4, 4, 5, 6, 6,
                                             4};
constexpr uint8_t kShortBits1[kShortCodes] = {0x00, 0xa0, 0xd0, 0xe0, 0xf0, 0xf8, 0xfc, 0xfe,
                                              0xff, 0xc0, 0x80, 0x90, 0x98, 0x9c, 0xb0};
constexpr uint8_t kShortLen2[kShortCodes] = {2, 3, 3, kVariableLength, 4, 4, 5, 6, 6, 4, 4, 5,
                                             6, 6, 4};
constexpr uint8_t kShortBits2[kShortCodes] = {0x00, 0x40, 0x60, 0xa0, 0xd0, 0xe0, 0xf0, 0xf8,
                                              0xfc, 0xc0, 0x80, 0x90, 0x98, 0x9c, 0xb0};

// Short match indexes with a meaning of their own.
constexpr unsigned kShortRepeatLast = 9;
constexpr unsigned kShortLongForm = 14; // 10..13 stand for a remembered distance
constexpr unsigned kShortToggle = 10;   // with a decoded length of 0x101
constexpr unsigned kShortLiteralLimit = 9;

} // namespace

UnpackStatus Unpack15::unpack(const UnpackInput& input, const OutputSink& sink) {
    if (!input.solid || !started_) {
        if (!window_.init(kWindowSize + kFlushChunk + kMaxMatch))
            return UnpackStatus::NoMemory;
        resetStream();
        started_ = true;
    }
    // The flag stream and its modes start over with each entry; the lists and averages
    // carry on through a solid stream.
    flagsLeft_ = 0;
    flagBits_ = 0;
    literalMode_ = false;
    repeatCount_ = 0;
    in_ = BitReader(input.packed, input.packedSize);
    fileEnd_ = window_.position() + input.unpackedSize;
    written_ = window_.position();
    sink_ = &sink;
    UnpackStatus status = decodeFile();
    sink_ = nullptr;
    if (status != UnpackStatus::Ok)
        started_ = false;
    return status;
}

void Unpack15::resetStream() {
    avgLongPlace_ = avgShortLength_ = avgLongLength_ = avgLongLength3_ = 0;
    literalRun_ = buf60_ = 0;
    avgLiteralPlace_ = 0x3500;
    maxDist3_ = 0x2001;
    literalWeight_ = matchWeight_ = 0x80;
    std::fill(std::begin(oldDist_), std::end(oldDist_), 0);
    oldDistPos_ = 0;
    lastDist_ = lastLength_ = 0;
    resetLists();
}

void Unpack15::resetLists() {
    for (unsigned i = 0; i < 256; ++i) {
        literals_[i] = longDist_[i] = static_cast<uint16_t>(i << 8);
        shortDist_[i] = static_cast<uint16_t>(i);
        flagCodes_[i] = static_cast<uint16_t>(((0u - i) & 0xff) << 8);
    }
    std::fill(std::begin(literalRanks_), std::end(literalRanks_), 0);
    std::fill(std::begin(longDistRanks_), std::end(longDistRanks_), 0);
    std::fill(std::begin(flagRanks_), std::end(flagRanks_), 0);
    rescale(longDist_, longDistRanks_);
}

// Sets the use counts of a list to its eight groups of 32 and starts the ranks over.
void Unpack15::rescale(uint16_t* list, uint16_t* rankCount) {
    for (int group = 7; group >= 0; --group)
        for (int j = 0; j < 32; ++j, ++list)
            *list = static_cast<uint16_t>((*list & ~0xff) | group);
    std::fill(rankCount, rankCount + 256, 0);
    for (int group = 6; group >= 0; --group)
        rankCount[group] = static_cast<uint16_t>((7 - group) * 32);
}

unsigned Unpack15::decodeFixed(const FixedCode& code) {
    uint32_t bits = in_.peek16() & 0xfff0;
    unsigned length = code.firstLength;
    unsigned i = 0;
    while (code.limits[i] <= bits) {
        ++i;
        ++length;
    }
    in_.skip(length);
    uint32_t base = i ? code.limits[i - 1] : 0;
    return ((bits - base) >> (16 - length)) + code.firstSymbol[length];
}

bool Unpack15::readFlags() {
    unsigned place = decodeFixed(kHf2);
    if (place >= 256)
        return false;
    uint32_t flags;
    unsigned newPlace;
    for (;;) {
        flags = flagCodes_[place];
        flagBits_ = flags >> 8;
        newPlace = flagRanks_[flags++ & 0xff]++ & 0xff;
        if ((flags & 0xff) != 0)
            break;
        rescale(flagCodes_, flagRanks_);
    }
    flagCodes_[place] = flagCodes_[newPlace];
    flagCodes_[newPlace] = static_cast<uint16_t>(flags);
    return true;
}

void Unpack15::remember(uint32_t distance, uint32_t length) {
    oldDist_[oldDistPos_++] = distance;
    oldDistPos_ &= 3;
    lastLength_ = length;
    lastDist_ = distance;
}

bool Unpack15::copy(uint32_t distance, uint32_t length) {
    uint64_t room = fileEnd_ - window_.position();
    return window_.copyMatch(distance, static_cast<uint32_t>(std::min<uint64_t>(length, room)));
}

bool Unpack15::shortMatch() {
    literalRun_ = 0;
    uint32_t bits = in_.peek16();
    if (repeatCount_ == 2) {
        in_.skip(1);
        if (bits >= 0x8000)
            return copy(lastDist_, lastLength_);
        bits <<= 1;
        repeatCount_ = 0;
    }
    bits = (bits >> 8) & 0xff;
    const bool second = avgShortLength_ >= 37;
    const uint8_t* lens = second ? kShortLen2 : kShortLen1;
    const uint8_t* codes = second ? kShortBits2 : kShortBits1;
    unsigned index = 0;
    unsigned codeLength = 0;
    for (; index < kShortCodes; ++index) {
        codeLength = lens[index] == kVariableLength ? buf60_ + 3 : lens[index];
        uint32_t mask = ~(0xffu >> codeLength) & 0xff;
        if (((bits ^ codes[index]) & mask) == 0)
            break;
    }
    if (index == kShortCodes)
        return false; // the codes are complete: only damaged state gets here
    in_.skip(codeLength);

    if (index >= kShortLiteralLimit) {
        if (index == kShortRepeatLast) {
            ++repeatCount_;
            return copy(lastDist_, lastLength_);
        }
        if (index == kShortLongForm) {
            repeatCount_ = 0;
            uint32_t length = decodeFixed(kLen2) + 5;
            uint32_t distance = (in_.peek16() >> 1) | 0x8000;
            in_.skip(15);
            lastLength_ = length;
            lastDist_ = distance;
            return copy(distance, length);
        }
        repeatCount_ = 0;
        uint32_t distance = oldDist_[(oldDistPos_ - (index - kShortRepeatLast)) & 3];
        uint32_t length = decodeFixed(kLen1) + 2;
        if (length == 0x101 && index == kShortToggle) {
            buf60_ ^= 1;
            return true;
        }
        if (distance > 256)
            ++length;
        if (distance >= maxDist3_)
            ++length;
        remember(distance, length);
        return copy(distance, length);
    }

    repeatCount_ = 0;
    avgShortLength_ += index;
    avgShortLength_ -= avgShortLength_ >> 4;
    unsigned place = decodeFixed(kHf2) & 0xff;
    uint32_t distance = shortDist_[place];
    if (place > 0) {
        shortDist_[place] = shortDist_[place - 1];
        shortDist_[place - 1] = static_cast<uint16_t>(distance);
    }
    uint32_t length = index + 2;
    ++distance;
    oldDist_[oldDistPos_++] = distance;
    oldDistPos_ &= 3;
    lastLength_ = length;
    lastDist_ = distance;
    return copy(distance, length);
}

bool Unpack15::longMatch() {
    literalRun_ = 0;
    matchWeight_ += 16;
    if (matchWeight_ > 0xff) {
        matchWeight_ = 0x90;
        literalWeight_ >>= 1;
    }
    uint32_t oldAvgLength = avgLongLength_;
    uint32_t length;
    uint32_t bits = in_.peek16();
    if (avgLongLength_ >= 122) {
        length = decodeFixed(kLen2);
    } else if (avgLongLength_ >= 64) {
        length = decodeFixed(kLen1);
    } else if (bits < 0x100) {
        length = bits;
        in_.skip(16);
    } else {
        for (length = 0; ((bits << length) & 0x8000) == 0; ++length) {
        }
        in_.skip(length + 1);
    }
    avgLongLength_ += length;
    avgLongLength_ -= avgLongLength_ >> 5;

    unsigned place;
    if (avgLongPlace_ > 0x28ff)
        place = decodeFixed(kHf2);
    else if (avgLongPlace_ > 0x6ff)
        place = decodeFixed(kHf1);
    else
        place = decodeFixed(kHf0);
    avgLongPlace_ += place;
    avgLongPlace_ -= avgLongPlace_ >> 8;

    uint32_t distance;
    unsigned newPlace;
    for (;;) {
        distance = longDist_[place & 0xff];
        newPlace = longDistRanks_[distance++ & 0xff]++ & 0xff;
        if ((distance & 0xff) != 0)
            break;
        rescale(longDist_, longDistRanks_);
    }
    longDist_[place & 0xff] = longDist_[newPlace];
    longDist_[newPlace] = static_cast<uint16_t>(distance);
    distance = ((distance & 0xff00) | (in_.peek16() >> 8)) >> 1;
    in_.skip(7);

    uint32_t oldAvgLength3 = avgLongLength3_;
    if (length != 1 && length != 4) {
        if (length == 0 && distance <= maxDist3_) {
            ++avgLongLength3_;
            avgLongLength3_ -= avgLongLength3_ >> 8;
        } else if (avgLongLength3_ > 0) {
            --avgLongLength3_;
        }
    }
    length += 3;
    if (distance >= maxDist3_)
        ++length;
    if (distance <= 256)
        length += 8;
    if (oldAvgLength3 > 0xb0 || (avgLiteralPlace_ >= 0x2a00 && oldAvgLength < 0x40))
        maxDist3_ = 0x7f00;
    else
        maxDist3_ = 0x2001;
    remember(distance, length);
    return copy(distance, length);
}

bool Unpack15::literal() {
    uint32_t bits = in_.peek16();
    unsigned place;
    if (avgLiteralPlace_ > 0x75ff)
        place = decodeFixed(kHf4);
    else if (avgLiteralPlace_ > 0x5dff)
        place = decodeFixed(kHf3);
    else if (avgLiteralPlace_ > 0x35ff)
        place = decodeFixed(kHf2);
    else if (avgLiteralPlace_ > 0x0dff)
        place = decodeFixed(kHf1);
    else
        place = decodeFixed(kHf0);
    place &= 0xff;
    if (literalMode_) {
        if (place == 0 && bits > 0xfff)
            place = 0x100;
        if (place == 0) {
            // Rank 0 in literal mode escapes: leave the mode, or a short match follows.
            bits = in_.peek16();
            in_.skip(1);
            if (bits & 0x8000) {
                literalRun_ = 0;
                literalMode_ = false;
                return true;
            }
            uint32_t length = (bits & 0x4000) ? 4 : 3;
            in_.skip(1);
            uint32_t distance = decodeFixed(kHf2);
            distance = (distance << 5) | (in_.peek16() >> 11);
            in_.skip(5);
            return copy(distance, length);
        }
        --place;
    } else if (literalRun_++ >= 16 && flagsLeft_ == 0) {
        literalMode_ = true;
    }
    avgLiteralPlace_ += place;
    avgLiteralPlace_ -= avgLiteralPlace_ >> 8;
    literalWeight_ += 16;
    if (literalWeight_ > 0xff) {
        literalWeight_ = 0x90;
        matchWeight_ >>= 1;
    }
    window_.put(static_cast<uint8_t>(literals_[place] >> 8));

    uint32_t current;
    unsigned newPlace;
    for (;;) {
        current = literals_[place];
        newPlace = literalRanks_[current++ & 0xff]++ & 0xff;
        if ((current & 0xff) <= 0xa1)
            break;
        rescale(literals_, literalRanks_);
    }
    literals_[place] = literals_[newPlace];
    literals_[newPlace] = static_cast<uint16_t>(current);
    return true;
}

UnpackStatus Unpack15::decodeFile() {
    if (window_.position() < fileEnd_) {
        if (!readFlags())
            return UnpackStatus::Damaged;
        flagsLeft_ = 8;
    }
    while (window_.position() < fileEnd_) {
        if (in_.overrun())
            return UnpackStatus::Truncated;
        if (window_.position() - written_ >= kFlushChunk) {
            window_.emit(written_, window_.position(), *sink_);
            written_ = window_.position();
        }
        bool ok;
        if (literalMode_) {
            ok = literal();
        } else {
            if (--flagsLeft_ < 0) {
                if (!readFlags())
                    return UnpackStatus::Damaged;
                flagsLeft_ = 7;
            }
            if (flagBits_ & 0x80) {
                flagBits_ <<= 1;
                ok = matchWeight_ > literalWeight_ ? longMatch() : literal();
            } else {
                flagBits_ <<= 1;
                if (--flagsLeft_ < 0) {
                    if (!readFlags())
                        return UnpackStatus::Damaged;
                    flagsLeft_ = 7;
                }
                if (flagBits_ & 0x80) {
                    flagBits_ <<= 1;
                    ok = matchWeight_ > literalWeight_ ? literal() : longMatch();
                } else {
                    flagBits_ <<= 1;
                    ok = shortMatch();
                }
            }
        }
        if (!ok)
            return UnpackStatus::Damaged;
    }
    if (in_.overrun())
        return UnpackStatus::Truncated;
    uint64_t end = std::min(window_.position(), fileEnd_);
    window_.emit(written_, end, *sink_);
    written_ = end;
    return UnpackStatus::Ok;
}

} // namespace myrar::unpack
