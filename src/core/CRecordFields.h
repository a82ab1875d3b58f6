#pragma once

// Every field of a record type, for the list that keeps records packed: specialised beside each
// record as three arrays of member pointers, `texts` (CText), `integers` (int) and `numbers`
// (double). A field missing from them would be lost on the way through a list, so each
// specialisation checks the record's size against them.
template <class TRecord> struct CRecordFields;

// The size a record of these fields has: a new field that is not listed changes sizeof(TRecord).
constexpr unsigned long RecordSizeOf(unsigned long texts, unsigned long integers, unsigned long numbers) {
    const unsigned long bytes = texts * 16 + integers * 4 + numbers * 8;
    return (bytes + 7) / 8 * 8;
}
