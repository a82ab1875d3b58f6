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
    EXPECT_EQ(nullptr, CExtfLayout::Find(700));
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
    EXPECT_EQ(510, CExtfLayout::Nearest(700).version);
    EXPECT_EQ(300, CExtfLayout::Nearest(400).version);
    EXPECT_EQ(300, CExtfLayout::Nearest(0).version);
    const CExtfVersion& v510 = *CExtfLayout::Find(510);
    EXPECT_EQ("IBAN 1", CExtfLayout::NameOf(v510.masterData, EExtfRole::Iban1));
    EXPECT_EQ(40, CExtfLayout::IndexOf(v510.bookingsData, EExtfRole::EuSteuersatz));
    EXPECT_EQ("", CExtfLayout::NameOf(CExtfLayout::Find(300)->bookingsData, EExtfRole::Festschreibung));
}

} // namespace
