#include "core/CBuchungenCtrl.h"
#include "core/CCodePage.h"
#include "core/CStammCtrl.h"
#include "core/CStepCode.h"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>

TEST(RecordsTest, BookingCountsAsFilledByTheListedFieldsOnly) {
    CBuchungenData empty;
    EXPECT_FALSE(empty.HasData());
    const std::function<void(CBuchungenData&)> filling[] = {
        [](auto& b) { b.buchungsnummer = "1"; }, [](auto& b) { b.belegnummer2 = "2"; },
        [](auto& b) { b.datum = "01.01."; },     [](auto& b) { b.kostenstelle1 = "K"; },
        [](auto& b) { b.kostenstelle2 = "K"; },  [](auto& b) { b.buchungstext = "T"; },
        [](auto& b) { b.ustId = "DE1"; },        [](auto& b) { b.sollKonto = 1; },
        [](auto& b) { b.habenKonto = 1; },       [](auto& b) { b.datevSchluessel = 1; },
        [](auto& b) { b.betrag = 0.01; },        [](auto& b) { b.skonto = 0.01; },
        [](auto& b) { b.euSteuersatz = 0.01; },  [](auto& b) { b.waehrungskurs = 0.01; },
    };
    for (const auto& fill : filling) {
        CBuchungenData b;
        fill(b);
        EXPECT_TRUE(b.HasData());
        b.Clear();
        EXPECT_FALSE(b.HasData());
    }
    const std::function<void(CBuchungenData&)> notFilling[] = {
        [](auto& b) { b.waehrung = "EUR"; },
        [](auto& b) { b.betrag = -5.0; },
        [](auto& b) { b.sollKonto = -1; },
        [](auto& b) { b.skonto = -1.0; },
    };
    for (const auto& fill : notFilling) {
        CBuchungenData b;
        fill(b);
        EXPECT_FALSE(b.HasData());
    }
}

TEST(RecordsTest, MasterRecordCountsAsFilledByAnyField) {
    CStammData s;
    EXPECT_FALSE(s.HasData());
    s.datevKonto = -3;
    EXPECT_TRUE(s.HasData());
    s.Clear();
    EXPECT_EQ(s.datevKonto, 0);
    CText CStammData::*texts[] = {
        &CStammData::name1,        &CStammData::kundennummer, &CStammData::name2,
        &CStammData::strasse,      &CStammData::postleitzahl, &CStammData::ort,
        &CStammData::bank,         &CStammData::kontonummer,  &CStammData::bankleitzahl,
        &CStammData::ustIdnr,      &CStammData::anrede,       &CStammData::postfach,
        &CStammData::land,         &CStammData::telefon,      &CStammData::fax,
        &CStammData::email,        &CStammData::iban,         &CStammData::swift,
        &CStammData::laenderkennz, &CStammData::bank2,        &CStammData::iban2,
        &CStammData::swift2,       &CStammData::laenderkennz2};
    for (auto field : texts) {
        CStammData r;
        r.*field = "x";
        EXPECT_TRUE(r.HasData());
        r.Clear();
        EXPECT_EQ(r.*field, "");
    }
}

TEST(RecordsTest, NormalizeDateOfABookingUsesTheConfiguredFormat) {
    CBuchungenData b;
    b.datum = "20161231";
    b.NormalizeDate("JJJJMMTT");
    EXPECT_EQ(b.datum, "31.12.2016");
    b.datum = "20161231";
    b.NormalizeDate("");
    EXPECT_EQ(b.datum, "20.16.1231");
}

TEST(RecordsTest, ListsKeepIndependentCopiesInOrder) {
    CBuchungenCtrl list;
    CBuchungenData b;
    b.buchungsnummer = "A";
    b.betrag = 12.5;
    EXPECT_EQ(list.Add(b), 1);
    EXPECT_EQ(list.Add(b), 1);
    b.buchungsnummer = "B";
    list.Add(b);
    b.Clear();
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetAt(0)->buchungsnummer, "A");
    EXPECT_EQ(list.GetAt(1)->buchungsnummer, "A");
    EXPECT_EQ(list.GetAt(1)->betrag, 12.5);
    EXPECT_EQ(list.GetAt(2)->buchungsnummer, "B");
    EXPECT_EQ(list.GetAt(3), nullptr);
    EXPECT_EQ(list.GetAt(-1), nullptr);
    EXPECT_EQ(list.GetAt(-2147483647 - 1), nullptr);
    EXPECT_EQ(list.RemoveAll(), 1);
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetAt(0), nullptr);

    CStammCtrl stamm;
    CStammData s;
    s.name1 = Ansi("Müller");
    stamm.Add(s);
    s.name1.clear();
    ASSERT_EQ(stamm.GetCount(), 1);
    EXPECT_EQ(stamm.GetAt(0)->name1, "M\xFCller");
}

namespace {

// Values at the edges of what each kind of field holds; -0.0 and NaN must come back bit for bit.
const int kIntegers[] = {0, 1, -1, 127, 128, 16383, 16384, INT_MAX, INT_MIN};
const double kNumbers[] = {0.0,
                           -0.0,
                           0.01,
                           -12.5,
                           1e300,
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::quiet_NaN(),
                           -std::numeric_limits<double>::infinity()};
const std::string kTexts[] = {
    "", "a", std::string(15, 'y'), std::string(16, 'z'), std::string("n\0l", 3), std::string(100000, 'w')};

// Record n of a list: every field a value of its kind, shifted by n and by the field's place.
template <class TRecord> TRecord Filled(size_t n) {
    using F = CRecordFields<TRecord>;
    TRecord r;
    size_t place = n;
    for (auto field : F::integers)
        r.*field = kIntegers[place++ % std::size(kIntegers)];
    for (auto field : F::numbers)
        r.*field = kNumbers[place++ % std::size(kNumbers)];
    for (auto field : F::texts)
        r.*field = kTexts[place++ % std::size(kTexts)];
    return r;
}

template <class TRecord> void ExpectSame(const TRecord& a, const TRecord& b) {
    using F = CRecordFields<TRecord>;
    for (auto field : F::integers)
        EXPECT_EQ(a.*field, b.*field);
    for (auto field : F::numbers)
        EXPECT_EQ(std::bit_cast<unsigned long long>(a.*field), std::bit_cast<unsigned long long>(b.*field));
    for (auto field : F::texts) {
        EXPECT_EQ((a.*field).View(), (b.*field).View());
        EXPECT_EQ((b.*field).c_str()[(b.*field).size()], '\0');
    }
}

template <class TList, class TRecord> void ExpectRoundTrip() {
    TList list;
    const size_t count = 200; // far more bytes than the first chunk holds
    for (size_t n = 0; n < count; ++n) {
        list.Add(Filled<TRecord>(n));
        SCOPED_TRACE(n);
        ExpectSame(Filled<TRecord>(n), *list.GetAt(static_cast<int>(n)));
    }
    using F = CRecordFields<TRecord>;
    for (size_t n = 0; n < count; ++n) { // each field of every record read alone
        SCOPED_TRACE(n);
        const TRecord expected = Filled<TRecord>(n);
        const int i = static_cast<int>(n);
        for (auto field : F::integers)
            EXPECT_EQ(list.IntegerAt(i, field), expected.*field);
        for (auto field : F::numbers)
            EXPECT_EQ(std::bit_cast<unsigned long long>(list.NumberAt(i, field)),
                      std::bit_cast<unsigned long long>(expected.*field));
        for (auto field : F::texts)
            EXPECT_EQ(list.TextAt(i, field), (expected.*field).View());
    }
    const int past = static_cast<int>(count);
    for (auto field : F::integers)
        EXPECT_EQ(list.IntegerAt(past, field), 0);
    for (auto field : F::numbers)
        EXPECT_EQ(list.NumberAt(past, field), 0.0);
    for (auto field : F::texts)
        EXPECT_EQ(list.TextAt(past, field), "");
    TList moved(std::move(list));
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetAt(0), nullptr);
    for (size_t n : {count - 1, size_t{0}, size_t{0}, count / 2}) {
        SCOPED_TRACE(n);
        ExpectSame(Filled<TRecord>(n), *moved.GetAt(static_cast<int>(n)));
    }
    list.Add(Filled<TRecord>(7)); // a list moved from starts anew
    ExpectSame(Filled<TRecord>(7), *list.GetAt(0));
}

} // namespace

TEST(RecordsTest, ListsGiveBackEveryFieldBitForBit) {
    ExpectRoundTrip<CBuchungenCtrl, CBuchungenData>();
    ExpectRoundTrip<CStammCtrl, CStammData>();
}

// A list of about 20 MB: longer than the blocks it is kept in, several of them of the largest size,
// which are made ready ahead of the list; moved and cleared while the next one is being made ready.
TEST(RecordsTest, LongListsKeepEveryRecordInPlace) {
    CBuchungenCtrl list;
    const int count = 140000;
    auto text = [](int i) { return "Text " + std::to_string(i) + std::string(120, 'x'); };
    for (int i = 0; i < count; ++i) {
        CBuchungenData b;
        b.sollKonto = i;
        b.buchungstext = text(i);
        list.Add(std::move(b));
    }
    CBuchungenCtrl moved(std::move(list));
    ASSERT_EQ(moved.GetCount(), count);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(moved.GetAt(i)->sollKonto, i);
        ASSERT_EQ(moved.GetAt(i)->buchungstext, text(i));
    }
    EXPECT_EQ(moved.GetAt(count), nullptr);
    moved.RemoveAll();
    EXPECT_EQ(moved.GetCount(), 0);
}

TEST(RecordsTest, ListOperationsSetTheirStepCodes) {
    CStammCtrl list;
    CStammData s;
    list.Add(s);
    EXPECT_EQ(CStepCode::Get(), 5701);
    list.GetAt(5);
    EXPECT_EQ(CStepCode::Get(), 5703);
    list.RemoveAll();
    EXPECT_EQ(CStepCode::Get(), 5700);
}
