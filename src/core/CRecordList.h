#pragma once

#include "core/CLargeBlockAllocator.h"
#include "core/CStepCode.h"

#include <cstddef>
#include <utility>
#include <vector>

// Ordered list that owns copies of its records. They stand in blocks of a fixed count that never
// move once full, so the list grows without copying what it holds (a list read from several files
// would otherwise copy itself, and need twice its memory, each time it outgrows its room), and
// GetAt stays constant-time. The first block grows as needed, so that a short list stays small.
template <class TRecord> class CRecordList {
public:
    int Add(const TRecord& record) {
        CStepCode::Set(5701);
        Room().push_back(record);
        ++count;
        return 1;
    }
    // For readers that build each record once: its texts move into the list without a copy.
    int Add(TRecord&& record) {
        CStepCode::Set(5701);
        Room().push_back(std::move(record));
        ++count;
        return 1;
    }
    const TRecord* GetAt(int i) const {
        CStepCode::Set(5703);
        if (i < 0 || i >= GetCount()) return nullptr;
        const size_t n = static_cast<size_t>(i);
        return &blocks[n >> kBlockShift][n & (kBlockSize - 1)];
    }
    int GetCount() const { return count; }
    int RemoveAll() {
        CStepCode::Set(5700);
        blocks.clear();
        blocks.shrink_to_fit();
        count = 0;
        return 1;
    }

private:
    using CBlock = std::vector<TRecord, CLargeBlockAllocator<TRecord>>;
    static constexpr size_t kBlockShift = 16;
    static constexpr size_t kBlockSize = size_t{1} << kBlockShift;

    CBlock& Room() {
        if (blocks.empty() || blocks.back().size() == kBlockSize) {
            blocks.emplace_back();
            if (blocks.size() > 1) blocks.back().reserve(kBlockSize);
        }
        return blocks.back();
    }

    std::vector<CBlock> blocks;
    int count = 0;
};
