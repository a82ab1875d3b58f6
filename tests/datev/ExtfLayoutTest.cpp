#include "datev/CExtfLayout.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(ExtfLayoutTest, EachVersionHasItsFieldAndColumnCounts) {
    const CExtfVersion* v300 = CExtfLayout::Find(300);
    const CExtfVersion* v510 = CExtfLayout::Find(510);
    ASSERT_TRUE(v300 && v510);
    EXPECT_EQ(26u, v300->bookingsHeader.size());
    EXPECT_EQ(26u, v300->masterHeader.size());
    EXPECT_EQ(105u, v300->bookingsData.size());
    EXPECT_EQ(232u, v300->masterData.size());
    EXPECT_EQ(31u, v510->bookingsHeader.size());
    EXPECT_EQ(31u, v510->masterHeader.size());
    EXPECT_EQ(116u, v510->bookingsData.size());
    EXPECT_EQ(243u, v510->masterData.size());
    const CExtfVersion* v700 = CExtfLayout::Find(700);
    ASSERT_TRUE(v700);
    EXPECT_EQ(31u, v700->bookingsHeader.size());
    EXPECT_EQ(31u, v700->masterHeader.size());
    EXPECT_EQ(125u, v700->bookingsData.size());
    EXPECT_EQ(254u, v700->masterData.size());
    EXPECT_EQ(nullptr, CExtfLayout::Find(600));
}

TEST(ExtfLayoutTest, Version700ReadsEveryBookingsFormatFrom9And5ForMasterData) {
    const CExtfVersion& v700 = *CExtfLayout::Find(700);
    const std::pair<int, int> counts[] = {{8, 0},    {9, 120},  {10, 121}, {11, 122},
                                          {12, 124}, {13, 125}, {14, 0}};
    for (const auto& [format, columns] : counts)
        EXPECT_EQ(columns, CExtfLayout::ColumnCount(v700, true, format)) << format;
    EXPECT_EQ(254, CExtfLayout::ColumnCount(v700, false, 5));
    EXPECT_EQ(0, CExtfLayout::ColumnCount(v700, false, 4));
    EXPECT_EQ(0, CExtfLayout::ColumnCount(*CExtfLayout::Find(510), true, 7)); // read by heading
    int blanks = 0;
    for (const CExtfColumn& c : v700.masterData)
        blanks += c.Heading() == "Leerfeld";
    EXPECT_EQ(12, blanks);
}

TEST(ExtfLayoutTest, NamesAreUniqueAndEveryRoleAppearsOnce) {
    for (const CExtfVersion& v : CExtfLayout::Versions()) {
        for (const auto* columns : {&v.bookingsData, &v.masterData}) {
            std::set<std::string> names;
            std::set<EExtfRole> roles;
            for (const CExtfColumn& c : *columns) {
                EXPECT_TRUE(names.insert(c.name).second) << v.version << " " << c.name;
                if (c.role != EExtfRole::None) {
                    EXPECT_TRUE(roles.insert(c.role).second) << v.version << " " << c.name;
                }
            }
        }
    }
}

TEST(ExtfLayoutTest, UnknownVersionsReadWithTheNearestOlderTable) {
    EXPECT_EQ(510, CExtfLayout::Nearest(600).version);
    EXPECT_EQ(700, CExtfLayout::Nearest(720).version);
    EXPECT_EQ(300, CExtfLayout::Nearest(400).version);
    EXPECT_EQ(300, CExtfLayout::Nearest(0).version);
    const CExtfVersion& v510 = *CExtfLayout::Find(510);
    EXPECT_EQ("IBAN 1", CExtfLayout::NameOf(v510.masterData, EExtfRole::Iban1));
    EXPECT_EQ(40, CExtfLayout::IndexOf(v510.bookingsData, EExtfRole::EuSteuersatz));
    EXPECT_EQ("", CExtfLayout::NameOf(CExtfLayout::Find(300)->bookingsData, EExtfRole::Festschreibung));
}

} // namespace
