#include "core/CText.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

// Texts around the 15 bytes that stand in place, and far beyond; each with a NUL inside once.
const std::string kTexts[] = {"",
                              "a",
                              std::string(14, 'x'),
                              std::string(15, 'y'),
                              std::string(16, 'z'),
                              std::string(300, 'w'),
                              std::string("nul\0inside", 10)};

void ExpectHolds(const CText& text, const std::string& expected) {
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_EQ(text.empty(), expected.empty());
    EXPECT_EQ(std::string(text), expected);
    EXPECT_EQ(text.c_str()[expected.size()], '\0');
}

} // namespace

TEST(CText, KeepsEveryTextThroughCopyMoveAndAssignment) {
    for (const std::string& from : kTexts) {
        for (const std::string& to : kTexts) {
            SCOPED_TRACE(std::to_string(from.size()) + " -> " + std::to_string(to.size()));
            CText a(from);
            ExpectHolds(a, from);
            CText b(to);
            b = a;
            ExpectHolds(b, from);
            ExpectHolds(a, from);
            CText c(to);
            c = std::move(b);
            ExpectHolds(c, from);
            ExpectHolds(b, "");
            CText d(std::move(c));
            ExpectHolds(d, from);
            d = to;
            ExpectHolds(d, to);
            EXPECT_EQ(d == CText(to), true);
            EXPECT_EQ(d == from, from == to);
        }
    }
}

TEST(CText, TakesAPartOfItselfAndItself) {
    for (const std::string& text : kTexts) {
        CText t(text);
        const CText& same = t;
        t = same;
        ExpectHolds(t, text);
        const std::string tail = text.size() > 1 ? text.substr(1) : std::string();
        t = t.View().substr(text.empty() ? 0 : 1);
        ExpectHolds(t, tail);
    }
}

TEST(CText, ReferringTextIsCopiedIntoItsOwnBytes) {
    for (const std::string& text : kTexts) {
        std::string source = text;
        CText referring;
        referring.Refer(source.c_str(), static_cast<std::uint32_t>(source.size()));
        ExpectHolds(referring, text);
        CText copy(referring);
        CText moved(std::move(referring));
        ExpectHolds(moved, text);
        source.assign(source.size(), '#');
        ExpectHolds(copy, text);
        if (!text.empty()) {
            EXPECT_EQ(moved.data(), source.data());
        }
        moved = "new"; // gives nothing back that it did not own
        ExpectHolds(moved, "new");
    }
    CText none("x");
    none.Refer(nullptr, 0);
    ExpectHolds(none, "");
}
