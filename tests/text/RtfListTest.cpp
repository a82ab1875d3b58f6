#include "core/CCodePage.h"
#include "core/CPelkoDoc.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"
#include "text/CRtfList.h"

#include <gtest/gtest.h>

namespace {

std::string Golden(const std::string& name) {
    return CTempDir::Read(std::string(PELKO_TEST_DATA) + "/rtf/" + name);
}

class RtfListTest : public ::testing::Test {
protected:
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc{frontEnd};
};

TEST_F(RtfListTest, BookingsMatchGoldenListWithEscapedBracesAndSignRules) {
    CBuchungenData b;
    b.buchungsnummer = "RE-1";
    b.belegnummer2 = "B2";
    b.datum = "31.12.2023";
    b.sollKonto = 1200;
    b.habenKonto = 8400;
    b.datevSchluessel = 3;
    b.betrag = -987.5;
    b.waehrung = "EUR";
    b.buchungstext = Ansi("Miete {Büro} C:\\x}");
    b.kostenstelle1 = "K1";
    b.kostenstelle2 = "K2";
    b.ustId = "DE123";
    b.euSteuersatz = 19;
    b.waehrungskurs = 1.5; // not part of the list
    doc.buchungen.Add(b);
    CBuchungenData second;
    second.datum = "01.01.";
    second.habenKonto = -5;
    second.skonto = 2.5;
    doc.buchungen.Add(second);

    std::string path = temp.File("liste.rtf");
    ASSERT_EQ(1, CRtfList::WriteBookingsRtf(doc, path));
    EXPECT_EQ(Golden("bookings.rtf"), CTempDir::Read(path));
    EXPECT_EQ(2, doc.recordCounter);
    EXPECT_EQ(2, frontEnd.rangeHigh);
    EXPECT_EQ(1, frontEnd.positions.back());
}

TEST_F(RtfListTest, MasterMatchesGoldenListWithUnsignedAccount) {
    CStammData s;
    s.datevKonto = 10000;
    s.anrede = "Firma";
    s.name1 = Ansi("Müller GmbH");
    s.kundennummer = "K-7";
    s.name2 = "Lager {Nord}";
    s.strasse = Ansi("Hauptstraße 1");
    s.postfach = "PF 12";
    s.postleitzahl = "12345";
    s.ort = Ansi("Köln");
    s.land = "Deutschland";
    s.bank = "Sparkasse";
    s.kontonummer = "123456";
    s.bankleitzahl = "37050198";
    s.ustIdnr = "DE987654321";
    s.telefon = "0221 1";
    s.fax = "0221 2";
    s.email = "a@b.de";
    s.iban = "DE02370501980001802057";
    s.swift = "COLSDE33";
    s.laenderkennz = "DE";
    s.bank2 = "Bank2";
    s.iban2 = "DE44";
    s.swift2 = "SWIFT2";
    s.laenderkennz2 = "AT";
    doc.stamm.Add(s);
    CStammData negative;
    negative.datevKonto = -1;
    doc.stamm.Add(negative);

    std::string path = temp.File("stamm.rtf");
    ASSERT_EQ(1, CRtfList::WriteMasterRtf(doc, path));
    EXPECT_EQ(Golden("master.rtf"), CTempDir::Read(path));
    EXPECT_EQ(2, doc.recordCounter);
}

TEST_F(RtfListTest, EmptyListHasTitleHeadingsAndClosingLineOnly) {
    std::string path = temp.File("leer.rtf");
    ASSERT_EQ(1, CRtfList::WriteBookingsRtf(doc, path));
    std::string text = CTempDir::Read(path);
    EXPECT_EQ(std::string::npos,
              text.find("}\\pard\r\n\\nowidctlpar\\widctlpar\\intbl\\adjustright {\\row }\r\n"));
    std::string expectedEnd = "{\\row }\\b0\r\n\\pard \\nowidctlpar\\widctlpar\\adjustright }\r\n";
    EXPECT_EQ(expectedEnd, text.substr(text.size() - expectedEnd.size()));
    EXPECT_EQ(0, doc.recordCounter);
}

TEST_F(RtfListTest, UnopenableFileReportsItsCodeAndWritesNothing) {
    doc.buchungen.Add(CBuchungenData());
    std::string path = temp.File("fehlt/liste.rtf");
    EXPECT_EQ(0, CRtfList::WriteBookingsRtf(doc, path));
    EXPECT_EQ(0, CRtfList::WriteMasterRtf(doc, path));
    ASSERT_EQ(2u, frontEnd.boxes.size());
    EXPECT_EQ(Ansi("(E:135)\nAusgabedatei konnte nicht geöffnet werden!\n") + path, frontEnd.boxes[0].text);
    EXPECT_EQ(Ansi("(E:139)\nAusgabedatei konnte nicht geöffnet werden!\n") + path, frontEnd.boxes[1].text);
    EXPECT_EQ(0, doc.recordCounter);
}

} // namespace
