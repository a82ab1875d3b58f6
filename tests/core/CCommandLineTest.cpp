#include "core/CCommandLine.h"
#include "core/CCodePage.h"
#include "core/CPelkoDoc.h"

#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct CParsed {
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc{frontEnd};
    explicit CParsed(const std::string& arguments) { CCommandLine::Parse("pelko " + arguments, doc); }
};

std::string FromArgv(std::vector<const char*> argv) {
    return CCommandLine::FromArgv(static_cast<int>(argv.size()), argv.data());
}

} // namespace

TEST(CCommandLineTest, InputSwitchesSetTypeDataTypeAndFile) {
    const struct {
        const char* line;
        int inputType, dataType;
    } cases[] = {
        {"/in:datev:D\\DE001", 0, 0},  {"/in:datevpro:D\\EXTF_a.csv", 1, 0}, {"/in:csv:bu:D\\B.csv", 2, 0},
        {"/in:csv:st:D\\S.csv", 2, 1}, {"/in:mdb:bu:B.sqlite", 3, 0},        {"/in:mdb:st:S.sqlite", 3, 1},
        {"/in:sql:bu:DSN=Buch", 4, 0}, {"/in:sql:st:DSN=Stamm", 4, 1},
    };
    for (const auto& c : cases) {
        CParsed parsed(c.line);
        EXPECT_EQ(parsed.doc.inputType, c.inputType) << c.line;
        EXPECT_EQ(parsed.doc.dataType, c.dataType) << c.line;
        std::string line = c.line;
        EXPECT_EQ(parsed.doc.inputFile, line.substr(line.rfind(':') + 1)) << c.line;
    }
}

TEST(CCommandLineTest, OutputSwitchesSetTypeAndFile) {
    const std::pair<const char*, int> cases[] = {
        {"/out:datev:C:\\Export\\", 0}, {"/out:datevpro:EXTF_B.csv", 1}, {"/out:csv:Liste.csv", 2},
        {"/out:mdb:A.db", 3},           {"/out:sql:DSN=Ziel", 4},        {"/out:rtf:Liste.rtf", 5},
    };
    for (const auto& [line, type] : cases) {
        CParsed parsed(line);
        EXPECT_EQ(parsed.doc.outputType, type) << line;
        std::string text = line;
        EXPECT_EQ(parsed.doc.outputFile, text.substr(text.find(':', 5) + 1)) << line;
    }
}

TEST(CCommandLineTest, PathValuesKeepTheirCaseAndDatevValuesAreLowerCase) {
    CParsed parsed(
        "/AUTO /in:csv:bu:C:\\Import\\Liste.csv /out:csv:C:\\Export\\Liste.csv /dv:\"/E/Angaben.TXT\" "
        "/prfin:\"/P/Ein.PRF\" /prfout:P\\Aus.PRF /tblKunden /DateVdlg " +
        Ansi("/bnr:12345 /bname:MÜLLER&Co /mandnr:678 /dfv:ABC /datnr:7 /abrnr:99 /pw:GeHeim /kne:1 "
             "/knrln:4 /vers:510 /wj:01.01.2016 /fest:1"));
    const CPelkoDoc& doc = parsed.doc;
    EXPECT_EQ(doc.inputFile, "C:\\Import\\Liste.csv");
    EXPECT_EQ(doc.outputFile, "C:\\Export\\Liste.csv");
    EXPECT_EQ(doc.datevParamFile, "/E/Angaben.TXT");
    EXPECT_EQ(doc.profileIn, "/P/Ein.PRF");
    EXPECT_EQ(doc.profileOut, "P\\Aus.PRF");
    EXPECT_EQ(doc.tableName, "Kunden");
    EXPECT_EQ(doc.automatic, 1);
    EXPECT_EQ(doc.forceDatevDialog, 1);
    const CDatevValues& v = doc.datevValues;
    EXPECT_EQ(v.beraterNummer, "12345");
    EXPECT_EQ(v.beraterName, "m\xFCller&co");
    EXPECT_EQ(v.mandantenNummer, "678");
    EXPECT_EQ(v.dfvKennzeichen, "abc");
    EXPECT_EQ(v.datentraegerNummer, "7");
    EXPECT_EQ(v.abrechnungsNummer, "99");
    EXPECT_EQ(v.passwort, "geheim");
    EXPECT_EQ(v.kne, "1");
    EXPECT_EQ(v.kontoLaenge, "4");
    EXPECT_EQ(v.version, "510");
    EXPECT_EQ(v.wirtschaftsjahr, "01.01.2016");
    EXPECT_EQ(v.festschreibung, "1");
}

TEST(CCommandLineTest, ParsingResetsOnlyTheCommandLineParameters) {
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc(frontEnd);
    CCommandLine::Parse("pelko /auto /datevdlg /dv:a /prfin:b /prfout:c /tblt /bnr:1 /fest:1", doc);
    doc.inputType = 2;
    doc.outputType = 5;
    doc.dataType = 1;
    doc.inputFile = "ein";
    doc.outputFile = "aus";
    CCommandLine::Parse("pelko", doc);
    EXPECT_EQ(doc.automatic, 0);
    EXPECT_EQ(doc.forceDatevDialog, 0);
    EXPECT_EQ(doc.datevParamFile, "");
    EXPECT_EQ(doc.profileIn, "");
    EXPECT_EQ(doc.profileOut, "");
    EXPECT_EQ(doc.tableName, "");
    EXPECT_EQ(doc.datevValues.beraterNummer, "");
    EXPECT_EQ(doc.datevValues.festschreibung, "");
    EXPECT_EQ(doc.inputType, 2);
    EXPECT_EQ(doc.outputType, 5);
    EXPECT_EQ(doc.dataType, 1);
    EXPECT_EQ(doc.inputFile, "ein");
    EXPECT_EQ(doc.outputFile, "aus");
}

TEST(CCommandLineTest, QuotedValuesHoldBlanksAndSlashesThatStartNoSwitch) {
    CParsed parsed("/out:rtf:\"C:\\Mein Ordner\\a/typ1.rtf\" /in:csv:bu:\"/home/anna/auto/in:datev:x.csv\"");
    EXPECT_EQ(parsed.doc.outputFile, "C:\\Mein Ordner\\a/typ1.rtf");
    EXPECT_EQ(parsed.doc.inputFile, "/home/anna/auto/in:datev:x.csv");
    EXPECT_EQ(parsed.doc.inputType, 2);
    EXPECT_EQ(parsed.doc.dataType, 0);
    EXPECT_EQ(parsed.doc.automatic, 0);
    // Unquoted, a blank or a "/" ends the value.
    CParsed plain("/in:csv:bu:a b.csv /out:csv:c/typ1");
    EXPECT_EQ(plain.doc.inputFile, "a");
    EXPECT_EQ(plain.doc.outputFile, "c");
    EXPECT_EQ(plain.doc.dataType, 1);
}

TEST(CCommandLineTest, LaterSwitchesWin) {
    EXPECT_EQ(CParsed("/in:datev:x.dat /typ1").doc.dataType, 1);
    EXPECT_EQ(CParsed("/typ1 /in:datev:x.dat").doc.dataType, 0);
    CParsed twice("/out:csv:a.csv /out:rtf:b.rtf");
    EXPECT_EQ(twice.doc.outputType, 5);
    EXPECT_EQ(twice.doc.outputFile, "b.rtf");
}

TEST(CCommandLineTest, OldFormsWithTheirTypeDigits) {
    const std::pair<char, int> inputs[] = {{'1', 3}, {'2', 2}, {'3', 2}, {'5', 4},
                                           {'0', 0}, {'4', 0}, {'x', 0}};
    for (const auto& [digit, type] : inputs) {
        CParsed parsed(std::string("/in ") + digit + " C:\\Daten\\Ein.csv");
        EXPECT_EQ(parsed.doc.inputType, type) << digit;
        EXPECT_EQ(parsed.doc.inputFile, "C:\\Daten\\Ein.csv") << digit;
    }
    const std::pair<char, int> outputs[] = {{'1', 3}, {'2', 2}, {'4', 5}, {'5', 4},
                                            {'6', 1}, {'3', 0}, {'x', 0}};
    for (const auto& [digit, type] : outputs) {
        CParsed parsed(std::string("/out ") + digit + " C:\\Daten\\Aus.csv");
        EXPECT_EQ(parsed.doc.outputType, type) << digit;
        EXPECT_EQ(parsed.doc.outputFile, "C:\\Daten\\Aus.csv") << digit;
    }
    CParsed rest("/dvC:\\Angaben.txt /prfinC:\\Ein.prf /prfoutC:\\Aus.prf");
    EXPECT_EQ(rest.doc.datevParamFile, "C:\\Angaben.txt");
    EXPECT_EQ(rest.doc.profileIn, "C:\\Ein.prf");
    EXPECT_EQ(rest.doc.profileOut, "C:\\Aus.prf");
}

TEST(CCommandLineTest, OldFormsGiveWayToNewFormsLaterInTheLine) {
    CParsed in("/in 0 a.dat /in:csv:bu:b.csv");
    EXPECT_EQ(in.doc.inputType, 2);
    EXPECT_EQ(in.doc.inputFile, "b.csv");
    CParsed out("/out 4 a.rtf /out:csv:b.csv");
    EXPECT_EQ(out.doc.outputType, 2);
    EXPECT_EQ(out.doc.outputFile, "b.csv");
    CParsed other("/dvalt.txt /dv:neu.txt /prfinalt /prfin:neu /prfoutalt /prfout:neu");
    EXPECT_EQ(other.doc.datevParamFile, "neu.txt");
    EXPECT_EQ(other.doc.profileIn, "neu");
    EXPECT_EQ(other.doc.profileOut, "neu");
    // A new form earlier in the line does not stop a later old form.
    CParsed earlier("/in:csv:bu:b.csv /in 1 a.db");
    EXPECT_EQ(earlier.doc.inputType, 3);
    EXPECT_EQ(earlier.doc.inputFile, "a.db");
}

TEST(CCommandLineTest, ShortOrBrokenSwitchesDoNoHarm) {
    // Each of these ends the line, so a value or type digit would lie past its end.
    for (const char* line :
         {"/in", "/in ", "/in 2", "/in 2 ", "/out", "/out 4", "/out 4 ", "/dv", "/tbl", "/prfin", "/prfout",
          "/in:csv:bu:", "/out:error:", "/", "//", "/\"", "\"/in:x"}) {
        CParsed parsed(line);
        EXPECT_EQ(parsed.doc.outputFile, "") << line;
        EXPECT_EQ(parsed.doc.GetErrorFile(), nullptr) << line;
    }
    CParsed inShort("/in 2");
    EXPECT_EQ(inShort.doc.inputType, 2);
    EXPECT_EQ(inShort.doc.inputFile, "");
    CParsed outShort("/out 4");
    EXPECT_EQ(outShort.doc.outputType, 5);
    CParsed unknown("/unbekannt:1 /in:csv:st:x.csv /xyz");
    EXPECT_EQ(unknown.doc.inputFile, "x.csv");
    EXPECT_EQ(unknown.doc.dataType, 1);
    CParsed unbalanced("/in:csv:bu:\"a b /typ1");
    EXPECT_EQ(unbalanced.doc.inputFile, "a b /typ1");
    EXPECT_EQ(unbalanced.doc.dataType, 0);
    CParsed empty("/in:csv:bu: /out:csv:");
    EXPECT_EQ(empty.doc.inputType, 2);
    EXPECT_EQ(empty.doc.inputFile, "");
    EXPECT_EQ(empty.doc.outputType, 2);
}

TEST(CCommandLineTest, ErrorFileIsCreatedOrEmptiedOnlyWithAName) {
    CTempDir temp;
    std::string file = temp.File("fehler.txt");
    CTempDir::Write(file, "alter Inhalt");
    CParsed parsed("/out:error:\"" + file + "\"");
    ASSERT_NE(parsed.doc.GetErrorFile(), nullptr);
    EXPECT_EQ(parsed.doc.GetErrorFilePath(), file);
    EXPECT_EQ(CTempDir::Read(file), "");
    CParsed missingFolder("/out:error:\"" + temp.File("fehlt/fehler.txt") + "\"");
    EXPECT_EQ(missingFolder.doc.GetErrorFile(), nullptr);
    EXPECT_EQ(missingFolder.doc.GetErrorFilePath(), temp.File("fehlt/fehler.txt"));
}

TEST(CCommandLineTest, LowerCaseCoversWindows1252Letters) {
    EXPECT_EQ(CCommandLine::ToLower(Ansi("ÄÖÜ ÀÉÎ Š Œ Ž Ÿ × ß AZ az 09")),
              Ansi("äöü àéî š œ ž ÿ × ß az az 09"));
}

TEST(CCommandLineTest, AutomaticRunNeedsAutoAfterTheStart) {
    EXPECT_TRUE(CCommandLine::IsAutomatic("pelko /AUTO"));
    EXPECT_TRUE(CCommandLine::IsAutomatic("pelko /auto"));
    EXPECT_FALSE(CCommandLine::IsAutomatic("pelko /Auto"));
    EXPECT_FALSE(CCommandLine::IsAutomatic("/AUTO"));
    EXPECT_FALSE(CCommandLine::IsAutomatic("pelko /in:csv:bu:\"/home/auto/a.csv\""));
    // /Auto still sets the flag although it does not start the automatic run.
    EXPECT_EQ(CParsed("/Auto").doc.automatic, 1);
}

TEST(CCommandLineTest, ArgvPathsStayWhole) {
    CTempDir temp;
    const std::string errorArg = "/out:error:" + temp.File("Fehler Datei.txt");
    std::string line = FromArgv({"/usr/bin/pelko", "/AUTO", "/in:csv:bu:/home/anna/Buchungen.csv",
                                 "/out:datev:/home/anna/auto/typ1/", errorArg.c_str()});
    EXPECT_EQ(line, "\"/usr/bin/pelko\" /AUTO /in:csv:bu:\"/home/anna/Buchungen.csv\" "
                    "/out:datev:\"/home/anna/auto/typ1/\" /out:error:\"" +
                        temp.File("Fehler Datei.txt") + "\"");
    EXPECT_TRUE(CCommandLine::IsAutomatic(line));
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc(frontEnd);
    CCommandLine::Parse(line, doc);
    EXPECT_EQ(doc.inputType, 2);
    EXPECT_EQ(doc.inputFile, "/home/anna/Buchungen.csv");
    EXPECT_EQ(doc.outputType, 0);
    EXPECT_EQ(doc.outputFile, "/home/anna/auto/typ1/");
    EXPECT_EQ(doc.dataType, 0);
    EXPECT_EQ(doc.automatic, 1);
    EXPECT_NE(doc.GetErrorFile(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(temp.File("Fehler Datei.txt")));
}

TEST(CCommandLineTest, ArgvProgramFolderAndSwitchLikePathsChangeNothing) {
    // The program lives in folders whose names begin like switches.
    std::string line = FromArgv({"/opt/dvtools/auto/typ1/pelko", "/in:csv:st:x.csv"});
    EXPECT_FALSE(CCommandLine::IsAutomatic(line));
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc(frontEnd);
    CCommandLine::Parse(line, doc);
    EXPECT_EQ(doc.datevParamFile, "");
    EXPECT_EQ(doc.automatic, 0);
    EXPECT_EQ(doc.dataType, 1);
}

TEST(CCommandLineTest, ArgvOldFormsTakeTheirFileFromTheNextArgument) {
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc(frontEnd);
    CCommandLine::Parse(FromArgv({"pelko", "/in", "2", "/input/B.csv", "/out", "4", "/out/L.rtf"}), doc);
    EXPECT_EQ(doc.inputType, 2);
    EXPECT_EQ(doc.inputFile, "/input/B.csv");
    EXPECT_EQ(doc.outputType, 5);
    EXPECT_EQ(doc.outputFile, "/out/L.rtf");
    CCommandLine::Parse(FromArgv({"pelko", "/in 1 /daten/A.db", "/dv/daten/angaben.txt", "/tblKunden"}), doc);
    EXPECT_EQ(doc.inputType, 3);
    EXPECT_EQ(doc.inputFile, "/daten/A.db");
    EXPECT_EQ(doc.datevParamFile, "/daten/angaben.txt");
    EXPECT_EQ(doc.tableName, "Kunden");
}

TEST(CCommandLineTest, ArgvIsConvertedToWindows1252) {
    std::string line = FromArgv({"pelko", "/bname:Müller Söhne", "/in:csv:bu:/home/jürgen/ä.csv"});
    EXPECT_EQ(line, Ansi("pelko /bname:\"Müller Söhne\" /in:csv:bu:\"/home/jürgen/ä.csv\""));
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc(frontEnd);
    CCommandLine::Parse(line, doc);
    EXPECT_EQ(doc.datevValues.beraterName, Ansi("müller söhne"));
    EXPECT_EQ(doc.inputFile, Ansi("/home/jürgen/ä.csv"));
}

TEST(CCommandLineTest, ArgvValuesQuotedByTheCallerStayAsTyped) {
    std::string line = FromArgv({"pelko", "/out:rtf:\"C:\\Mein Ordner\\a/b.rtf\"", "/bname:\"A B\""});
    EXPECT_EQ(line, "pelko /out:rtf:\"C:\\Mein Ordner\\a/b.rtf\" /bname:\"A B\"");
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc(frontEnd);
    CCommandLine::Parse(line, doc);
    EXPECT_EQ(doc.outputFile, "C:\\Mein Ordner\\a/b.rtf");
    EXPECT_EQ(doc.datevValues.beraterName, "a b");
}
