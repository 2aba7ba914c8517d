#include "ppmd_h_heap.h"

#include <cstdlib>

namespace myrar::unpack {
namespace {

constexpr uint32_t kMegabyte = 1u << 20;
// Offset 0 is the null place; the unit there doubles as the list head while free blocks
// are glued together. A zeroed unit above the block stops the glue walk at the top.
constexpr uint32_t kBottomGuard = PpmdHeap::kUnitSize;
constexpr uint32_t kTopGuard = 2 * PpmdHeap::kUnitSize;
// Free-block marks used only while gluing.
constexpr uint16_t kFreeStamp = 0xFFFF;
constexpr uint32_t kMaxGluedUnits = 0x10000;
constexpr int kGlueInterval = 255;

uint32_t bytesOf(uint32_t units) {
    return units * PpmdHeap::kUnitSize;
}

} // namespace

void PpmdHeap::FreeDeleter::operator()(uint8_t* p) const {
    std::free(p);
}

PpmdHeap::PpmdHeap() {
    // Block sizes of the free lists: 1-4 by one unit, then steps of 2, 3 and 4 units.
    int i = 0;
    uint32_t units = 1;
    for (; i < 4; ++i, units += 1)
        indexToUnits_[i] = static_cast<uint8_t>(units);
    for (++units; i < 8; ++i, units += 2)
        indexToUnits_[i] = static_cast<uint8_t>(units);
    for (++units; i < 12; ++i, units += 3)
        indexToUnits_[i] = static_cast<uint8_t>(units);
    for (++units; i < kIndexCount; ++i, units += 4)
        indexToUnits_[i] = static_cast<uint8_t>(units);
    int index = 0;
    for (uint32_t k = 0; k < 128; ++k) {
        if (indexToUnits_[index] < k + 1)
            ++index;
        unitsToIndex_[k] = static_cast<uint8_t>(index);
    }
}

bool PpmdHeap::reserve(uint32_t megabytes) {
    if (megabytes == 0 || megabytes > kMaxMegabytes)
        return false;
    uint32_t size = megabytes * kMegabyte;
    if (size == size_ && mem_)
        return true;
    release();
    uint32_t total = kBottomGuard + size + kTopGuard;
    mem_.reset(static_cast<uint8_t*>(std::calloc(total, 1)));
    if (!mem_)
        return false;
    total_ = total;
    size_ = size;
    start_ = kBottomGuard;
    end_ = start_ + size_;
    clear();
    return true;
}

void PpmdHeap::release() {
    mem_.reset();
    total_ = 0;
    size_ = 0;
}

void PpmdHeap::clear() {
    std::memset(freeList_, 0, sizeof(freeList_));
    broken_ = false;
    text_ = start_;
    uint32_t unitsBytes = bytesOf(size_ / 8 / kUnitSize * 7);
    unitsStart_ = start_ + size_ - unitsBytes;
    loUnit_ = unitsStart_;
    hiUnit_ = end_;
    glueCount_ = 0;
}

bool PpmdHeap::putText(uint8_t symbol) {
    set8(text_++, symbol);
    return text_ < unitsStart_;
}

void PpmdHeap::move(uint32_t to, uint32_t from, uint32_t bytes) {
    if (to > total_ || from > total_ || bytes > total_ - to || bytes > total_ - from) {
        fault();
        return;
    }
    std::memmove(mem_.get() + to, mem_.get() + from, bytes);
}

void PpmdHeap::insertNode(uint32_t block, int index) {
    set32(block, freeList_[index]);
    freeList_[index] = block;
}

uint32_t PpmdHeap::removeNode(int index) {
    uint32_t block = freeList_[index];
    freeList_[index] = get32(block);
    return block;
}

void PpmdHeap::splitBlock(uint32_t block, int oldIndex, int newIndex) {
    uint32_t diff = indexToUnits_[oldIndex] - indexToUnits_[newIndex];
    uint32_t p = block + bytesOf(indexToUnits_[newIndex]);
    int i = unitsToIndex_[diff - 1];
    if (indexToUnits_[i] != diff) {
        --i;
        insertNode(p, i);
        p += bytesOf(indexToUnits_[i]);
        diff -= indexToUnits_[i];
    }
    insertNode(p, unitsToIndex_[diff - 1]);
}

// Free blocks are gathered in one ring, neighbours in memory merged, and the results cut
// back into list sizes. Block layout while gluing: stamp(2) units(2) next(4) prev(4).
void PpmdHeap::glueFreeBlocks() {
    const uint32_t head = 0;
    auto next = [&](uint32_t b) { return get32(b + 4); };
    auto prev = [&](uint32_t b) { return get32(b + 8); };
    auto setNext = [&](uint32_t b, uint32_t v) { set32(b + 4, v); };
    auto setPrev = [&](uint32_t b, uint32_t v) { set32(b + 8, v); };
    auto unlink = [&](uint32_t b) {
        setNext(prev(b), next(b));
        setPrev(next(b), prev(b));
    };

    if (loUnit_ != hiUnit_)
        set8(loUnit_, 0);
    setNext(head, head);
    setPrev(head, head);
    for (int i = 0; i < kIndexCount; ++i) {
        while (freeList_[i] != 0) {
            uint32_t b = removeNode(i);
            // Insert right after the head.
            uint32_t after = next(head);
            setPrev(b, head);
            setNext(b, after);
            setPrev(after, b);
            setNext(head, b);
            set16(b, kFreeStamp);
            set16(b + 2, indexToUnits_[i]);
        }
    }
    for (uint32_t b = next(head); b != head && !broken_; b = next(b)) {
        for (;;) {
            uint32_t units = get16(b + 2);
            uint32_t neighbour = b + bytesOf(units);
            if (get16(neighbour) != kFreeStamp || units + get16(neighbour + 2) >= kMaxGluedUnits)
                break;
            unlink(neighbour);
            set16(b + 2, static_cast<uint16_t>(units + get16(neighbour + 2)));
        }
    }
    for (uint32_t b = next(head); b != head && !broken_; b = next(head)) {
        unlink(b);
        uint32_t units = get16(b + 2);
        for (; units > 128; units -= 128, b += bytesOf(128))
            insertNode(b, kIndexCount - 1);
        int i = unitsToIndex_[units - 1];
        if (indexToUnits_[i] != units) {
            --i;
            uint32_t rest = units - indexToUnits_[i];
            insertNode(b + bytesOf(units - rest), static_cast<int>(rest) - 1);
        }
        insertNode(b, i);
    }
}

uint32_t PpmdHeap::allocUnitsRare(int index) {
    if (glueCount_ == 0) {
        glueCount_ = kGlueInterval;
        glueFreeBlocks();
        if (freeList_[index] != 0)
            return removeNode(index);
    }
    int i = index;
    do {
        if (++i == kIndexCount) {
            --glueCount_;
            uint32_t bytes = bytesOf(indexToUnits_[index]);
            if (unitsStart_ - text_ > bytes) {
                unitsStart_ -= bytes;
                return unitsStart_;
            }
            return 0;
        }
    } while (freeList_[i] == 0);
    uint32_t block = removeNode(i);
    splitBlock(block, i, index);
    return block;
}

uint32_t PpmdHeap::allocUnits(uint32_t units) {
    int index = unitsToIndex_[units - 1];
    if (freeList_[index] != 0)
        return removeNode(index);
    uint32_t block = loUnit_;
    uint32_t bytes = bytesOf(indexToUnits_[index]);
    if (hiUnit_ - loUnit_ >= bytes) {
        loUnit_ += bytes;
        return block;
    }
    return allocUnitsRare(index);
}

uint32_t PpmdHeap::allocContext() {
    if (hiUnit_ != loUnit_)
        return hiUnit_ -= kUnitSize;
    if (freeList_[0] != 0)
        return removeNode(0);
    return allocUnitsRare(0);
}

uint32_t PpmdHeap::expandUnits(uint32_t old, uint32_t oldUnits) {
    int i0 = unitsToIndex_[oldUnits - 1];
    int i1 = unitsToIndex_[oldUnits];
    if (i0 == i1)
        return old;
    uint32_t block = allocUnits(oldUnits + 1);
    if (block != 0) {
        move(block, old, bytesOf(oldUnits));
        insertNode(old, i0);
    }
    return block;
}

uint32_t PpmdHeap::shrinkUnits(uint32_t old, uint32_t oldUnits, uint32_t newUnits) {
    int i0 = unitsToIndex_[oldUnits - 1];
    int i1 = unitsToIndex_[newUnits - 1];
    if (i0 == i1)
        return old;
    if (freeList_[i1] != 0) {
        uint32_t block = removeNode(i1);
        move(block, old, bytesOf(newUnits));
        insertNode(old, i0);
        return block;
    }
    splitBlock(old, i0, i1);
    return old;
}

void PpmdHeap::freeUnits(uint32_t block, uint32_t units) {
    insertNode(block, unitsToIndex_[units - 1]);
}

} // namespace myrar::unpack
