#pragma once

#include "core/CLargeBlockAllocator.h"
#include "core/CStepCode.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

// Ordered list that owns copies of its records; contiguous, so GetAt is constant-time.
template <class TRecord> class CRecordList {
public:
    int Add(const TRecord& record) {
        CStepCode::Set(5701);
        records.push_back(record);
        return 1;
    }
    // For readers that build each record once: its texts move into the list without a copy.
    int Add(TRecord&& record) {
        CStepCode::Set(5701);
        records.push_back(std::move(record));
        return 1;
    }
    const TRecord* GetAt(int i) const {
        CStepCode::Set(5703);
        if (i < 0 || i >= GetCount()) return nullptr;
        return &records[static_cast<size_t>(i)];
    }
    int GetCount() const { return static_cast<int>(records.size()); }
    int RemoveAll() {
        CStepCode::Set(5700);
        records.clear();
        records.shrink_to_fit();
        return 1;
    }
    // Room for at least count records. Growing at least by half of what there is keeps repeated
    // calls (one per file of a split export read in turn) from copying the list again and again.
    void Reserve(int count) {
        const size_t wanted = static_cast<size_t>(count);
        if (wanted > records.capacity()) records.reserve(std::max(wanted, records.capacity() * 3 / 2));
    }

private:
    std::vector<TRecord, CLargeBlockAllocator<TRecord>> records;
};
