#include "ppmd_h_model.h"

#include <cstring>

namespace myrar::unpack {
namespace {

constexpr int kPeriodBits = 7;
constexpr unsigned kTotalBits = 14;
constexpr uint32_t kInterval = 1u << 7;
constexpr uint32_t kBinScale = 1u << kTotalBits;
constexpr uint32_t kMaxFreq = 124;
constexpr int kMaxOrderWithoutRunLimit = 12;
constexpr uint32_t kRootSymbols = 256;

// Block header flags.
constexpr uint32_t kFlagOrderMask = 0x1F;
constexpr uint32_t kFlagRestart = 0x20;
constexpr uint32_t kFlagEscape = 0x40;
constexpr int kOrderLinearLimit = 16;

const uint16_t kInitBinEsc[8] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3, 0x64A1, 0x5ABC, 0x6632, 0x6051};
const uint8_t kExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};

// Mean of an adaptive binary probability, rounded.
uint32_t binMean(uint32_t summ) {
    return (summ + (1u << (kPeriodBits - 2))) >> kPeriodBits;
}

} // namespace

void PpmdModel::See2::init(uint32_t value) {
    shift = kPeriodBits - 4;
    summ = static_cast<uint16_t>(value << shift);
    count = 4;
}

uint32_t PpmdModel::See2::mean() {
    uint32_t r = summ >> shift;
    summ = static_cast<uint16_t>(summ - r);
    return r + (r == 0);
}

void PpmdModel::See2::update() {
    if (shift < kPeriodBits && --count == 0) {
        summ = static_cast<uint16_t>(summ + summ);
        count = static_cast<uint8_t>(3 << shift++);
    }
}

PpmdModel::PpmdModel() {
    ns2BsIndex_[0] = 0;
    ns2BsIndex_[1] = 2;
    std::memset(ns2BsIndex_ + 2, 4, 9);
    std::memset(ns2BsIndex_ + 11, 6, 256 - 11);
    int i = 0;
    for (; i < 3; ++i)
        ns2Index_[i] = static_cast<uint8_t>(i);
    for (int m = i, k = 1, step = 1; i < 256; ++i) {
        ns2Index_[i] = static_cast<uint8_t>(m);
        if (--k == 0) {
            k = ++step;
            ++m;
        }
    }
    std::memset(hb2Flag_, 0, 0x40);
    std::memset(hb2Flag_ + 0x40, 0x08, 0x100 - 0x40);
    dummySee2_.shift = kPeriodBits;
    dummySee2_.summ = 0;
    dummySee2_.count = 64;
    std::memset(see2_, 0, sizeof(see2_));
    std::memset(binSumm_, 0, sizeof(binSumm_));
}

void PpmdModel::reset() {
    heap_.release();
    minContext_ = maxContext_ = foundState_ = 0;
}

void PpmdModel::swapStates(uint32_t a, uint32_t b) {
    uint8_t sa = sym(a), fa = freq(a);
    uint32_t ua = successor(a);
    copyState(a, b);
    setSym(b, sa);
    setFreq(b, fa);
    setSuccessor(b, ua);
}

void PpmdModel::clearMask() {
    escCount_ = 1;
    std::memset(charMask_, 0, sizeof(charMask_));
}

void PpmdModel::restart() {
    std::memset(charMask_, 0, sizeof(charMask_));
    heap_.clear();
    initRL_ = -(maxOrder_ < kMaxOrderWithoutRunLimit ? maxOrder_ : kMaxOrderWithoutRunLimit) - 1;
    minContext_ = maxContext_ = heap_.allocContext();
    orderFall_ = maxOrder_;
    setSuffix(minContext_, 0);
    setNumStats(minContext_, kRootSymbols);
    setSummFreq(minContext_, kRootSymbols + 1);
    uint32_t root = heap_.allocUnits(kRootSymbols / 2);
    foundState_ = root;
    setStats(minContext_, root);
    for (uint32_t i = 0; i < kRootSymbols; ++i) {
        uint32_t s = root + i * kStateSize;
        setSym(s, static_cast<uint8_t>(i));
        setFreq(s, 1);
        setSuccessor(s, 0);
    }
    runLength_ = initRL_;
    prevSuccess_ = 0;
    for (int i = 0; i < 128; ++i)
        for (int k = 0; k < 8; ++k)
            for (int m = 0; m < 64; m += 8)
                binSumm_[i][k + m] = static_cast<uint16_t>(kBinScale - kInitBinEsc[k] / (i + 2));
    for (int i = 0; i < 25; ++i)
        for (int k = 0; k < 16; ++k)
            see2_[i][k].init(5 * i + 10);
}

void PpmdModel::startModel(int maxOrder) {
    escCount_ = 1;
    maxOrder_ = maxOrder;
    restart();
}

bool PpmdModel::startBlock(ByteInput& input, int& escape) {
    uint32_t flags = input.nextByte();
    bool restartModel = (flags & kFlagRestart) != 0;
    uint32_t megabytes = 0;
    if (restartModel)
        megabytes = input.nextByte() + 1;
    else if (!heap_.reserved() || minContext_ == 0)
        return false;
    if (flags & kFlagEscape)
        escape = static_cast<int>(input.nextByte());
    coder_.start(input);
    if (restartModel) {
        int order = static_cast<int>(flags & kFlagOrderMask) + 1;
        if (order > kOrderLinearLimit)
            order = kOrderLinearLimit + (order - kOrderLinearLimit) * 3;
        if (order == 1 || !heap_.reserve(megabytes)) {
            reset();
            return false;
        }
        startModel(order);
    }
    return minContext_ != 0;
}

uint32_t PpmdModel::createSuccessors(bool skip, uint32_t p1) {
    uint32_t pc = minContext_;
    uint32_t upBranch = successor(foundState_);
    uint8_t fsSym = sym(foundState_);
    uint32_t ps[kMaxOrder];
    int n = 0;
    if (!skip) {
        ps[n++] = foundState_;
        if (suffix(pc) == 0)
            goto chainDone;
    }
    {
        bool haveP = p1 != 0;
        uint32_t p = p1;
        do {
            pc = suffix(pc);
            if (!isContext(pc))
                return 0;
            if (!haveP) {
                if (numStats(pc) != 1) {
                    p = stats(pc);
                    uint32_t left = numStats(pc);
                    while (sym(p) != fsSym) {
                        if (--left == 0)
                            return 0;
                        p += kStateSize;
                    }
                } else {
                    p = oneState(pc);
                }
            }
            haveP = false;
            if (successor(p) != upBranch) {
                pc = successor(p);
                break;
            }
            if (n >= kMaxOrder)
                return 0;
            ps[n++] = p;
        } while (suffix(pc) != 0);
    }
chainDone:
    if (n == 0)
        return pc;
    if (!isContext(pc))
        return 0;
    uint8_t upSym = heap_.get8(upBranch);
    uint32_t upSuccessor = upBranch + 1;
    uint32_t upFreq;
    if (numStats(pc) != 1) {
        uint32_t p = stats(pc);
        uint32_t left = numStats(pc);
        while (sym(p) != upSym) {
            if (--left == 0)
                return 0;
            p += kStateSize;
        }
        uint32_t cf = freq(p) - 1u;
        uint32_t s0 = summFreq(pc) - numStats(pc) - cf;
        if (s0 == 0)
            s0 = 1;
        upFreq = 1 + ((2 * cf <= s0) ? (5 * cf > s0) : ((2 * cf + 3 * s0 - 1) / (2 * s0)));
    } else {
        upFreq = freq(oneState(pc));
    }
    do {
        uint32_t child = heap_.allocContext();
        if (child == 0)
            return 0;
        setNumStats(child, 1);
        uint32_t one = oneState(child);
        setSym(one, upSym);
        setFreq(one, upFreq);
        setSuccessor(one, upSuccessor);
        setSuffix(child, pc);
        setSuccessor(ps[--n], child);
        pc = child;
    } while (n != 0);
    return pc;
}

void PpmdModel::updateModel() {
    const uint8_t fsSym = sym(foundState_);
    const uint32_t fsFreq = freq(foundState_);
    uint32_t fsSuccessor = successor(foundState_);
    uint32_t p = 0;
    uint32_t pc = suffix(minContext_);
    if (fsFreq < kMaxFreq / 4 && pc != 0) {
        if (numStats(pc) != 1) {
            p = stats(pc);
            if (sym(p) != fsSym) {
                uint32_t left = numStats(pc);
                do {
                    p += kStateSize;
                    if (--left == 0) {
                        restart();
                        escCount_ = 0;
                        return;
                    }
                } while (sym(p) != fsSym);
                if (freq(p) >= freq(p - kStateSize)) {
                    swapStates(p, p - kStateSize);
                    p -= kStateSize;
                }
            }
            if (freq(p) < kMaxFreq - 9) {
                setFreq(p, freq(p) + 2u);
                setSummFreq(pc, summFreq(pc) + 2);
            }
        } else {
            p = oneState(pc);
            setFreq(p, freq(p) + (freq(p) < 32 ? 1u : 0u));
        }
    }

    uint32_t successorText;
    uint32_t ns;
    uint32_t s0;
    if (orderFall_ == 0) {
        minContext_ = maxContext_ = createSuccessors(true, p);
        setSuccessor(foundState_, minContext_);
        if (minContext_ == 0)
            goto restartModel;
        return;
    }
    if (!heap_.putText(fsSym))
        goto restartModel;
    successorText = heap_.text();
    if (fsSuccessor != 0) {
        if (fsSuccessor <= heap_.text()) {
            fsSuccessor = createSuccessors(false, p);
            if (fsSuccessor == 0)
                goto restartModel;
        }
        if (--orderFall_ == 0) {
            successorText = fsSuccessor;
            if (maxContext_ != minContext_)
                heap_.unputText();
        }
    } else {
        setSuccessor(foundState_, successorText);
        fsSuccessor = minContext_;
    }

    ns = numStats(minContext_);
    s0 = summFreq(minContext_) - ns - (fsFreq - 1);
    for (pc = maxContext_; pc != minContext_; pc = suffix(pc)) {
        if (!isContext(pc) || heap_.broken())
            goto restartModel;
        uint32_t ns1 = numStats(pc);
        if (ns1 != 1) {
            if ((ns1 & 1) == 0) {
                uint32_t moved = heap_.expandUnits(stats(pc), ns1 >> 1);
                if (moved == 0)
                    goto restartModel;
                setStats(pc, moved);
            }
            uint32_t sf = summFreq(pc);
            sf += (2 * ns1 < ns) + 2 * ((4 * ns1 <= ns) & (sf <= 8 * ns1));
            setSummFreq(pc, sf);
        } else {
            uint32_t one = heap_.allocUnits(1);
            if (one == 0)
                goto restartModel;
            copyState(one, oneState(pc));
            setStats(pc, one);
            if (freq(one) < kMaxFreq / 4 - 1)
                setFreq(one, freq(one) * 2u);
            else
                setFreq(one, kMaxFreq - 4);
            setSummFreq(pc, freq(one) + initEsc_ + (ns > 3));
        }
        uint32_t cf = 2 * fsFreq * (summFreq(pc) + 6);
        uint32_t sf = s0 + summFreq(pc);
        if (cf < 6 * sf) {
            cf = 1 + (cf > sf) + (cf >= 4 * sf);
            setSummFreq(pc, summFreq(pc) + 3);
        } else {
            cf = 4 + (cf >= 9 * sf) + (cf >= 12 * sf) + (cf >= 15 * sf);
            setSummFreq(pc, summFreq(pc) + cf);
        }
        uint32_t added = stats(pc) + ns1 * kStateSize;
        setSuccessor(added, successorText);
        setSym(added, fsSym);
        setFreq(added, cf);
        setNumStats(pc, ns1 + 1);
    }
    maxContext_ = minContext_ = fsSuccessor;
    return;

restartModel:
    restart();
    escCount_ = 0;
}

void PpmdModel::rescale(uint32_t context) {
    const uint32_t oldNs = numStats(context);
    const uint32_t first = stats(context);
    if (foundState_ < first || foundState_ >= first + oldNs * kStateSize) {
        heap_.markBroken();
        return;
    }
    for (uint32_t p = foundState_; p != first; p -= kStateSize)
        swapStates(p, p - kStateSize);
    setFreq(first, freq(first) + 4u);
    setSummFreq(context, summFreq(context) + 4);
    int escFreq = static_cast<int>(summFreq(context)) - freq(first);
    const uint32_t adder = orderFall_ != 0 ? 1 : 0;
    setFreq(first, (freq(first) + adder) >> 1);
    uint32_t summ = freq(first);
    uint32_t p = first;
    for (uint32_t i = oldNs - 1; i != 0; --i) {
        p += kStateSize;
        escFreq -= freq(p);
        setFreq(p, (freq(p) + adder) >> 1);
        summ += freq(p);
        if (freq(p) > freq(p - kStateSize)) {
            uint8_t tSym = sym(p), tFreq = freq(p);
            uint32_t tSucc = successor(p);
            uint32_t p1 = p;
            do {
                copyState(p1, p1 - kStateSize);
                p1 -= kStateSize;
            } while (p1 != first && tFreq > freq(p1 - kStateSize));
            setSym(p1, tSym);
            setFreq(p1, tFreq);
            setSuccessor(p1, tSucc);
        }
    }
    setSummFreq(context, summ);
    if (freq(p) == 0) {
        uint32_t zeros = 0;
        do {
            ++zeros;
            p -= kStateSize;
        } while (freq(p) == 0 && p != first);
        escFreq += static_cast<int>(zeros);
        setNumStats(context, oldNs - zeros);
        if (numStats(context) == 1) {
            uint8_t tSym = sym(first);
            uint32_t tFreq = freq(first);
            uint32_t tSucc = successor(first);
            do {
                tFreq -= tFreq >> 1;
                escFreq >>= 1;
            } while (escFreq > 1);
            heap_.freeUnits(first, (oldNs + 1) >> 1);
            uint32_t one = oneState(context);
            setSym(one, tSym);
            setFreq(one, tFreq);
            setSuccessor(one, tSucc);
            foundState_ = one;
            return;
        }
    }
    escFreq -= escFreq >> 1;
    setSummFreq(context, summFreq(context) + static_cast<uint32_t>(escFreq));
    uint32_t n0 = (oldNs + 1) >> 1, n1 = (numStats(context) + 1) >> 1;
    if (n0 != n1)
        setStats(context, heap_.shrinkUnits(first, n0, n1));
    foundState_ = stats(context);
}

void PpmdModel::update1(uint32_t context, uint32_t p) {
    foundState_ = p;
    setFreq(p, freq(p) + 4u);
    setSummFreq(context, summFreq(context) + 4);
    if (freq(p) > freq(p - kStateSize)) {
        swapStates(p, p - kStateSize);
        foundState_ = p -= kStateSize;
        if (freq(p) > kMaxFreq)
            rescale(context);
    }
}

void PpmdModel::update2(uint32_t context, uint32_t p) {
    foundState_ = p;
    setFreq(p, freq(p) + 4u);
    setSummFreq(context, summFreq(context) + 4);
    if (freq(p) > kMaxFreq)
        rescale(context);
    ++escCount_;
    runLength_ = initRL_;
}

bool PpmdModel::decodeSymbol1(uint32_t context) {
    const uint32_t scale = summFreq(context);
    uint32_t p = stats(context);
    uint32_t count = coder_.currentCount(scale);
    if (count >= scale)
        return false;
    uint32_t hiCnt = freq(p);
    if (count < hiCnt) {
        prevSuccess_ = 2 * hiCnt > scale ? 1 : 0;
        runLength_ += static_cast<int>(prevSuccess_);
        coder_.consume(0, hiCnt);
        foundState_ = p;
        hiCnt += 4;
        setFreq(p, hiCnt);
        setSummFreq(context, summFreq(context) + 4);
        if (hiCnt > kMaxFreq)
            rescale(context);
        return true;
    }
    if (foundState_ == 0)
        return false;
    prevSuccess_ = 0;
    uint32_t left = numStats(context) - 1;
    for (;;) {
        p += kStateSize;
        hiCnt += freq(p);
        if (hiCnt > count)
            break;
        if (--left == 0) {
            hiBitsFlag_ = hb2Flag_[sym(foundState_)];
            coder_.consume(hiCnt, scale);
            charMask_[sym(p)] = escCount_;
            numMasked_ = numStats(context);
            foundState_ = 0;
            for (uint32_t i = numMasked_ - 1; i != 0; --i) {
                p -= kStateSize;
                charMask_[sym(p)] = escCount_;
            }
            return true;
        }
    }
    coder_.consume(hiCnt - freq(p), hiCnt);
    update1(context, p);
    return true;
}

void PpmdModel::decodeBinSymbol(uint32_t context) {
    uint32_t rs = oneState(context);
    hiBitsFlag_ = hb2Flag_[sym(foundState_)];
    uint32_t row = (freq(rs) - 1u) & 0x7F;
    uint32_t column = prevSuccess_ + ns2BsIndex_[(numStats(suffix(context)) - 1) & 0xFF] +
                      hiBitsFlag_ + 2 * hb2Flag_[sym(rs)] +
                      ((static_cast<uint32_t>(runLength_) >> 26) & 0x20);
    uint16_t& bs = binSumm_[row][column & 0x3F];
    if (coder_.currentShiftCount(kTotalBits) < bs) {
        foundState_ = rs;
        setFreq(rs, freq(rs) + (freq(rs) < 128 ? 1u : 0u));
        coder_.consume(0, bs);
        bs = static_cast<uint16_t>(bs + kInterval - binMean(bs));
        prevSuccess_ = 1;
        ++runLength_;
    } else {
        coder_.consume(bs, kBinScale);
        bs = static_cast<uint16_t>(bs - binMean(bs));
        initEsc_ = kExpEscape[bs >> 10];
        numMasked_ = 1;
        charMask_[sym(rs)] = escCount_;
        prevSuccess_ = 0;
        foundState_ = 0;
    }
}

PpmdModel::See2* PpmdModel::makeEscFreq2(uint32_t context, uint32_t diff, uint32_t& scale) {
    const uint32_t ns = numStats(context);
    if (ns == kRootSymbols) {
        scale = 1;
        return &dummySee2_;
    }
    int suffixGap = static_cast<int>(numStats(suffix(context))) - static_cast<int>(ns);
    uint32_t column = (static_cast<int>(diff) < suffixGap ? 1 : 0) +
                      2 * (summFreq(context) < 11 * ns ? 1 : 0) + 4 * (numMasked_ > diff ? 1 : 0) +
                      hiBitsFlag_;
    See2* see = &see2_[ns2Index_[(diff - 1) & 0xFF]][column & 0xF];
    scale = see->mean();
    return see;
}

bool PpmdModel::decodeSymbol2(uint32_t context) {
    const uint32_t ns = numStats(context);
    if (numMasked_ >= ns || ns > kRootSymbols)
        return false;
    const uint32_t diff = ns - numMasked_;
    uint32_t scale;
    See2* see = makeEscFreq2(context, diff, scale);
    uint32_t ps[kRootSymbols];
    uint32_t n = 0;
    const uint32_t first = stats(context);
    const uint32_t limit = first + ns * kStateSize;
    uint32_t p = first - kStateSize;
    uint32_t hiCnt = 0;
    for (uint32_t i = diff; i != 0; --i) {
        do {
            p += kStateSize;
            if (p >= limit)
                return false;
        } while (charMask_[sym(p)] == escCount_);
        hiCnt += freq(p);
        ps[n++] = p;
    }
    scale += hiCnt;
    uint32_t count = coder_.currentCount(scale);
    if (count >= scale)
        return false;
    if (count < hiCnt) {
        uint32_t k = 0;
        p = ps[0];
        hiCnt = freq(p);
        while (hiCnt <= count) {
            if (++k >= n)
                return false;
            p = ps[k];
            hiCnt += freq(p);
        }
        coder_.consume(hiCnt - freq(p), hiCnt);
        see->update();
        update2(context, p);
    } else {
        coder_.consume(hiCnt, scale);
        for (uint32_t k = 0; k < n; ++k)
            charMask_[sym(ps[k])] = escCount_;
        see->summ = static_cast<uint16_t>(see->summ + scale);
        numMasked_ = ns;
    }
    return true;
}

int PpmdModel::decodeSymbol() {
    if (heap_.broken() || !coder_.started() || !isContext(minContext_))
        return -1;
    if (numStats(minContext_) != 1) {
        uint32_t first = stats(minContext_);
        if (first <= heap_.text() || first >= heap_.end())
            return -1;
        if (!decodeSymbol1(minContext_))
            return -1;
    } else {
        decodeBinSymbol(minContext_);
    }
    while (foundState_ == 0) {
        coder_.normalize();
        do {
            ++orderFall_;
            minContext_ = suffix(minContext_);
            if (!isContext(minContext_))
                return -1;
        } while (numStats(minContext_) == numMasked_);
        if (!decodeSymbol2(minContext_))
            return -1;
    }
    int symbol = sym(foundState_);
    if (orderFall_ == 0 && successor(foundState_) > heap_.text()) {
        minContext_ = maxContext_ = successor(foundState_);
    } else {
        updateModel();
        if (escCount_ == 0)
            clearMask();
    }
    coder_.normalize();
    if (heap_.broken())
        return -1;
    return symbol;
}

} // namespace myrar::unpack
