#include "support/CTempDir.h"
#include "support/RunPelko.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string kOld = "vom letzten Lauf";

bool HasGermanError(const std::string& text) {
    return text.find("(E:") != std::string::npos || text.find("FEHLER") != std::string::npos;
}

// A folder with the output of an earlier run: a CSV file and a pair of KNE files.
struct CEarlierOutput {
    explicit CEarlierOutput(const CTempDir& temp) : folder(temp.File("aus") + "/") {
        std::filesystem::create_directories(folder);
        for (const char* name : {"aus.csv", "ED00001", "EV01"})
            CTempDir::Write(folder + name, kOld);
    }
    bool Intact() const {
        for (const char* name : {"aus.csv", "ED00001", "EV01"})
            if (CTempDir::Read(folder + name) != kOld) return false;
        return true;
    }
    std::string folder;
};

// Runs one conversion that must fail while reading: exit status 1, a German error on stderr (or
// in the error file when one is named), and the earlier output untouched.
void ExpectFailedRead(const std::string& inSwitch, const std::string& input, bool withErrorFile) {
    CTempDir temp;
    CEarlierOutput earlier(temp);
    for (const std::string& out :
         {"/out:csv:" + earlier.folder + "aus.csv", "/out:datev:" + earlier.folder}) {
        std::vector<std::string> args = {"/AUTO", inSwitch + input, out};
        const std::string errorFile = temp.File("fehler.txt");
        if (withErrorFile) args.push_back("/out:error:" + errorFile);
        CResult result = RunPelko(temp, args);
        EXPECT_EQ(result.exitCode, 1) << inSwitch << input << " " << out << "\n" << result.err;
        EXPECT_TRUE(HasGermanError(withErrorFile ? CTempDir::Read(errorFile) : result.err))
            << inSwitch << input << "\n"
            << result.err;
        EXPECT_TRUE(earlier.Intact()) << inSwitch << input << " " << out;
    }
}

} // namespace

TEST(BrokenInputRun, UnreadableInputsFailWithAGermanErrorAndKeepTheEarlierOutput) {
    CTempDir temp;
    const std::string missing = temp.File("fehlt.csv");
    const std::string empty = temp.File("EXTF_leer.csv");
    CTempDir::Write(empty, "");
    const std::string lfHeader = temp.File("EXTF_lf.csv");
    // A header line ended by LF alone in a file whose other lines end with CR LF.
    CTempDir::Write(lfHeader, "\"EXTF\";510;21;\"Buchungsstapel\";7\nUmsatz;Konto\r\n1,00;1200\r\n");
    const std::string lfCsv = temp.File("lf.csv");
    CTempDir::Write(lfCsv, "Buchungsnummer;Datum;Betrag\nA1;01.01.2024;10,00\r\n");
    const std::string master = std::string(PELKO_TEST_DATA) + "/extf/EXTF_Stamm_510.csv";
    const std::string kne = temp.File("kne") + "/";
    std::filesystem::create_directories(kne);
    const std::string sample = std::string(PELKO_TEST_DATA) + "/kne/bookings_ed/";
    CTempDir::Write(kne + "ED00001", CTempDir::Read(sample + "ED00001").substr(0, 300));
    CTempDir::Write(kne + "EV01", CTempDir::Read(sample + "EV01"));

    // CSV inputs without a record, with a quote that never closes (the quote inside the first
    // field is a character; the one that opens line 2 runs to the end), and one the system cannot read.
    const std::string headingOnly = temp.File("kopf.csv");
    CTempDir::Write(headingOnly, "Buchungsnummer;Datum;Betrag\r\n\r\n");
    const std::string openQuote = temp.File("offen.csv");
    CTempDir::Write(openQuote,
                    std::string("\0\x01\"\xFF;;\r\n\"offen\r\n", 16) + std::string(100 * 1024, 'x'));

    for (bool withErrorFile : {false, true}) {
        for (const std::string& csv : {empty, headingOnly, openQuote, std::string("/proc/self/mem")})
            ExpectFailedRead("/in:csv:bu:", csv, withErrorFile);
        ExpectFailedRead("/in:csv:bu:", missing, withErrorFile);
        ExpectFailedRead("/in:csv:st:", temp.path.string(), withErrorFile);
        ExpectFailedRead("/in:csv:bu:", lfCsv, withErrorFile);
        ExpectFailedRead("/in:datevpro:", empty, withErrorFile);
        ExpectFailedRead("/in:datevpro:", lfHeader, withErrorFile);
        ExpectFailedRead("/typ1 /in:datevpro:", master, withErrorFile);
        ExpectFailedRead("/in:datev:", kne, withErrorFile);
        ExpectFailedRead("/in:datev:", temp.File("keine/"), withErrorFile);
    }
}
