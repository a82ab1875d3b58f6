#pragma once

#include "core/CRecordFields.h"
#include "core/CRecordStore.h"
#include "core/CStepCode.h"
#include "core/CText.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>
#include <utility>

// Ordered list that owns copies of its records. They are kept packed: the fields that are set,
// one after the other, in chunks that never move, so that a million bookings take about 70 bytes
// each instead of the 216 of the record (fresh memory is expensive: the kernel clears every page
// first). GetAt unpacks a record into one record of the list, whose texts refer into the chunks:
// what it returns is valid until the next GetAt or RemoveAll of the same list.
template <class TRecord> class CRecordList {
public:
    CRecordList() = default;
    CRecordList(CRecordList&& other) noexcept { *this = std::move(other); }
    CRecordList& operator=(CRecordList&& other) noexcept {
        store = std::move(other.store);
        current = std::move(other.current);
        currentIndex = std::exchange(other.currentIndex, -1);
        return *this;
    }

    int Add(const TRecord& record) {
        CStepCode::Set(5701);
        Pack(record);
        return 1;
    }
    const TRecord* GetAt(int i) const {
        CStepCode::Set(5703);
        if (i < 0 || i >= GetCount()) return nullptr;
        if (i != currentIndex) Unpack(store.At(static_cast<size_t>(i)));
        currentIndex = i;
        return &current;
    }
    // One field of record i as GetAt gives it, read where the record is packed: for a pass over the
    // list that needs a few fields, without unpacking the others. A text is valid as long as the list.
    int IntegerAt(int i, int TRecord::*field) const {
        std::uint64_t value = 0;
        if (const char* in = Find(i, IndexOf(CFields::integers, field))) CRecordStore::GetVarint(in, value);
        return FromZigzag(value);
    }
    double NumberAt(int i, double TRecord::*field) const {
        double value = 0.0;
        if (const char* in = Find(i, kIntegers + IndexOf(CFields::numbers, field)))
            std::memcpy(&value, in, 8);
        return value;
    }
    std::string_view TextAt(int i, CText TRecord::*field) const {
        const char* in = Find(i, kIntegers + kNumbers + IndexOf(CFields::texts, field));
        if (!in) return {};
        std::uint64_t size;
        in = CRecordStore::GetVarint(in, size);
        return std::string_view(in, static_cast<size_t>(size));
    }
    int GetCount() const { return static_cast<int>(store.Count()); }
    int RemoveAll() {
        CStepCode::Set(5700);
        current = TRecord();
        currentIndex = -1;
        store.Clear();
        return 1;
    }

private:
    using CFields = CRecordFields<TRecord>;
    static constexpr size_t kTexts = std::size(CFields::texts);
    static constexpr size_t kIntegers = std::size(CFields::integers);
    static constexpr size_t kNumbers = std::size(CFields::numbers);
    static_assert(kTexts + kIntegers + kNumbers <= 32, "one bit of the mask a field");
    static_assert(sizeof(TRecord) == RecordSizeOf(kTexts, kIntegers, kNumbers), "a field is not listed");

    template <class TFields, class TField> static size_t IndexOf(const TFields& fields, TField field) {
        return static_cast<size_t>(std::find(fields.begin(), fields.end(), field) - fields.begin());
    }
    static int FromZigzag(std::uint64_t value) {
        const auto zigzag = static_cast<std::uint32_t>(value);
        return static_cast<int>((zigzag >> 1) ^ (0u - (zigzag & 1)));
    }
    // Where field number wanted (integers, numbers, texts, each in their order) of record i is
    // packed; nullptr when it is not set or there is no record i.
    const char* Find(int i, size_t wanted) const {
        if (i < 0 || i >= GetCount()) return nullptr;
        const char* in = store.At(static_cast<size_t>(i));
        std::uint32_t mask;
        std::memcpy(&mask, in, 4);
        in += 4;
        std::uint64_t size;
        for (size_t k = 0; k < wanted; ++k, mask >>= 1) {
            if (!(mask & 1)) continue;
            if (k < kIntegers)
                in = CRecordStore::GetVarint(in, size);
            else if (k < kIntegers + kNumbers)
                in += 8;
            else
                in = CRecordStore::GetVarint(in, size) + size + 1;
        }
        return mask & 1 ? in : nullptr;
    }

    // A mask of the fields that are set, then their values: integers as zigzag varints, numbers as
    // their 8 bytes (so -0.0 and every other value come back bit for bit), texts as length, bytes and
    // a NUL, so that an unpacked text can refer to them.
    void Pack(const TRecord& record) {
        size_t bound = 4 + kIntegers * 5 + kNumbers * 8;
        for (auto text : CFields::texts)
            bound += (record.*text).size() + 11;
        char* const start = store.Reserve(bound);
        char* out = start + 4;
        std::uint32_t mask = 0;
        std::uint32_t bit = 1;
        for (auto integer : CFields::integers) {
            if (const int value = record.*integer; value != 0) {
                mask |= bit;
                const auto wide = static_cast<std::uint32_t>(value);
                out = CRecordStore::PutVarint(out, (wide << 1) ^ (value < 0 ? 0xFFFFFFFFu : 0u));
            }
            bit <<= 1;
        }
        for (auto number : CFields::numbers) {
            if (std::bit_cast<std::uint64_t>(record.*number) != 0) {
                mask |= bit;
                std::memcpy(out, &(record.*number), 8);
                out += 8;
            }
            bit <<= 1;
        }
        for (auto text : CFields::texts) {
            if (const std::string_view value = record.*text; !value.empty()) {
                mask |= bit;
                out = CRecordStore::PutVarint(out, value.size());
                std::memcpy(out, value.data(), value.size());
                out += value.size();
                *out++ = '\0';
            }
            bit <<= 1;
        }
        std::memcpy(start, &mask, 4);
        store.Commit(static_cast<size_t>(out - start));
    }

    void Unpack(const char* in) const {
        std::uint32_t mask;
        std::memcpy(&mask, in, 4);
        in += 4;
        std::uint64_t value;
        for (auto integer : CFields::integers) {
            current.*integer = 0;
            if (mask & 1) {
                in = CRecordStore::GetVarint(in, value);
                current.*integer = FromZigzag(value);
            }
            mask >>= 1;
        }
        for (auto number : CFields::numbers) {
            current.*number = 0.0;
            if (mask & 1) {
                std::memcpy(&(current.*number), in, 8);
                in += 8;
            }
            mask >>= 1;
        }
        for (auto text : CFields::texts) {
            (current.*text).clear();
            if (mask & 1) {
                in = CRecordStore::GetVarint(in, value);
                (current.*text).Refer(in, static_cast<std::uint32_t>(value));
                in += value + 1;
            }
            mask >>= 1;
        }
    }

    CRecordStore store;
    mutable TRecord current;
    mutable int currentIndex = -1;
};
