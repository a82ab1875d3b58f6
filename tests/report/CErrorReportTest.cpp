#include "report/CErrorReport.h"
#include "core/CCodePage.h"
#include "core/CStepCode.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

struct CMailCase {
    const char* name;
    const char* script; // the stand-in xdg-email, or nullptr for none on the PATH
    const char* problem;
};

class CErrorReportTest : public ::testing::Test {
protected:
    CTempDir temp;
    std::string path = std::getenv("PATH");
    void SetUp() override { fs::create_directories(temp.DataFile("")); }
    void TearDown() override { setenv("PATH", path.c_str(), 1); }
};

TEST_F(CErrorReportTest, FindsAndDeletesOnlyTheFixedFilesThatWereThere) {
    for (int present = 0; present < 4; ++present) {
        SCOPED_TRACE(present);
        if (present & 2) CTempDir::Write(temp.DataFile("FEHLER_LOG.TXT"), "log");
        if (present & 1) CTempDir::Write(temp.DataFile("FEHLER.DMP"), "dump");
        CTempDir::Write(temp.DataFile("FEHLER_LOG_260101_1200.TXT"), "log");
        CErrorReport report;
        EXPECT_EQ(report.CrashFilesPresent(), present);
        // A file that appears while the dialog is open is not the one the user was shown.
        if (!(present & 1)) CTempDir::Write(temp.DataFile("FEHLER.DMP"), "later");
        report.DeleteFoundFiles();
        EXPECT_FALSE(fs::exists(temp.DataFile("FEHLER_LOG.TXT")));
        EXPECT_EQ(fs::exists(temp.DataFile("FEHLER.DMP")), !(present & 1));
        EXPECT_TRUE(fs::exists(temp.DataFile("FEHLER_LOG_260101_1200.TXT")));
        fs::remove(temp.DataFile("FEHLER.DMP"));
    }
}

TEST_F(CErrorReportTest, HandsTheReportToXdgEmail) {
    CTempDir::Write(temp.DataFile("FEHLER_LOG.TXT"), "log");
    CTempDir::Write(temp.DataFile("FEHLER.DMP"), "dump");
    CStepCode::Set(8001);
    CErrorReport report;
    report.SetError(399, Ansi("Datei für Müller fehlt"));
    EXPECT_EQ(report.NumberLine(), "Fehlernummer: 399:8001");
    const CMailCase cases[] = {
        {"sent", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$(dirname \"$0\")/args\"\n",
         ""},
        {"no mail program", "#!/bin/sh\nexit 3\n",
         "Die Unterstützung für das Mailsystem kann nicht geladen werden."},
        {"failed", "#!/bin/sh\nexit 4\n", "Fehler bei \"Nachricht senden\"."},
        {"no xdg-email", nullptr, "Die Unterstützung für das Mailsystem kann nicht geladen werden."},
    };
    for (const CMailCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path bin = temp.path / c.name;
        fs::create_directories(bin);
        if (c.script) {
            CTempDir::Write((bin / "xdg-email").string(), c.script);
            fs::permissions(bin / "xdg-email", fs::perms::owner_all);
        }
        setenv("PATH", (bin.string() + ":/usr/bin:/bin").c_str(), 1);
        if (!c.script) setenv("PATH", bin.c_str(), 1);
        EXPECT_EQ(CCodePage::AnsiToUtf8(report.Send("hilfe@example.org")), c.problem);
    }
    std::string expected;
    for (const char* part : {"--subject", "Fehler-Report: Pelko " PELKO_VERSION ", 64Bit", "--body"})
        expected += std::string(part) + '\0';
    const std::string args = CTempDir::Read((temp.path / "sent" / "args").string());
    ASSERT_TRUE(args.starts_with(expected)) << args;
    const std::string body = args.substr(expected.size(), args.find('\0', expected.size()) - expected.size());
    EXPECT_TRUE(body.starts_with("FEHLER-REPORT:\n\nProgramm:          Pelko " PELKO_VERSION ", 64Bit\n"
                                 "Betriebssystem:    "));
    EXPECT_NE(
        body.find("[64-Bit] \n\nFehlernummer: 399:8001\n\nFehlertext:\nDatei für Müller fehlt\n\n"
                  "zusätzliche Fehlerbeschreibung:\n...\n(wie läßt sich der Fehler reproduzieren?)\n\n"
                  "Dringlichkeit der Fehlerbehebung:\n   [] nur zur Info\n   [] man kann weiterarbeiten\n"
                  "   [] weiterarbeiten unmöglich\n\n>>> Bitte möglichst benutzte Datei mitsenden! <<<"),
        std::string::npos)
        << body;
    EXPECT_TRUE(args.ends_with(std::string("--attach\0", 9) + temp.DataFile("FEHLER_LOG.TXT") + '\0' +
                               "--attach" + '\0' + temp.DataFile("FEHLER.DMP") + '\0' + "hilfe@example.org" +
                               '\0'));
}

TEST_F(CErrorReportTest, SupportAddressFromTheSettings) {
    EXPECT_EQ(CErrorReport::SupportAddress(), CErrorReport::kDefaultAddress);
    CTempDir::Write(temp.DataFile("pelko.ini"), "[Fehlerbericht]\r\nAdresse=buchhaltung@example.org\r\n");
    EXPECT_EQ(CErrorReport::SupportAddress(), "buchhaltung@example.org");
}

} // namespace
