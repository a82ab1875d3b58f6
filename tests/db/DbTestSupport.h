#pragma once

#include "core/CCodePage.h"
#include "core/CTool.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "support/CTempDir.h"
#include "support/RunPelko.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Bookings in the program's default CSV layout (every column, quoted), Windows-1252: quotes,
// backslashes, semicolons, umlauts, foreign currency, dates without year, negative amounts.
inline std::string BookingsCsv() {
    return Ansi(
        "\"Buchungsnummer\";\"Belegnummer 2\";\"Datum\";\"Soll-Konto\";\"Haben-Konto\";\"Datev-Schlüssel\";"
        "\"Betrag\";\"Währung\";\"Buchungstext\";\"Kostenstelle 1\";\"Kostenstelle 2\";\"Skonto\";\"Ust-ID\";"
        "\"EU-Steuersatz\";\"Waehrungskurs\";\"Umsatz (optional)\";\"S/H-Kennz. (optional)\"\r\n"
        "\"RE-1\";\"\";\"02.01.2024\";\"10000\";\"8400\";\"\";\"1428,00\";\"EUR\";"
        "\"Müller & Söhne; \"\"Zum Korn\"\" O'Neil\";\"100\";\"\";\"\";\"\";\"\";\"\";\"\";\"\"\r\n"
        "\"ER-2\";\"B2\";\"05.01.2024\";\"4930\";\"70001\";\"9\";\"-119,00\";\"EUR\";\"Ablage C:\\Belege\\\";"
        "\"200\";\"X\";\"\";\"\";\"\";\"\";\"\";\"\"\r\n"
        "\"US-3\";\"\";\"15.03.\";\"1200\";\"8400\";\"\";\"12345,67\";\"USD\";\"€ ' ; \\ "
        "´`\";\"\";\"\";\"2,50\";"
        "\"DE123456789\";\"19,00\";\"1,085000\";\"\";\"\"\r\n"
        "\"K-4\";\"\";\"31.12.2024\";\"99999\";\"1000\";\"\";\"0,01\";\"EUR\";\"ß äöü "
        "ÄÖÜ\";\"\";\"\";\"\";\"\";"
        "\"\";\"\";\"\";\"\"\r\n"
        "\"K-5\";\"\";\"29.02.2024\";\"1000\";\"1200\";\"\";\"9999999,99\";\"EUR\";\"'; DROP TABLE "
        "Buchungsdaten; --\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\"\r\n"
        "\"K-6\";\"\";\"01.06.2024\";\"1200\";\"1000\";\"\";\"-0,50\";\"EUR\";\"NULL ? :x @y "
        "$z\";\"\";\"\";\"\";\"\";\"\";"
        "\"\";"
        "\"\";\"\"\r\n");
}

// Master data in the default layout.
inline std::string MasterCsv() {
    return Ansi(
        "\"Datev-Konto\";\"Anrede\";\"Name_1\";\"Kundennummer\";\"Name_2\";\"Strasse\";\"Postfach\";"
        "\"Postleitzahl\";\"Ort\";\"Land\";\"Bank\";\"Kontonummer\";\"Bankleitzahl\";\"UstIdnr\";"
        "\"Telefon\";\"Fax\";\"EMail\";\"IBAN\";\"SWIFT\";\"Länderkennz\";\"Bank 2\";\"IBAN 2\";\"SWIFT 2\";"
        "\"Länderkennz 2\"\r\n"
        "\"10000\";\"Firma\";\"Müller & Söhne; \"\"Zum Korn\"\"\";\"K1\";\"O'Neil\";\"Hauptstraße 12\";\"\";"
        "\"80331\";\"München\";\"DE\";\"Sparkasse\";\"\";\"\";\"DE123456789\";\"089 1\";\"\";"
        "\"a@b.example\";\"DE02120300000000202051\";\"BYLADEM1001\";\"DE\";\"\";\"\";\"\";\"\"\r\n"
        "\"70001\";\"Herr\";\"Pfad C:\\Ablage\\\";\"\";\"\";\"\";\"Postfach 1\";\"\";\"Köln\";\"AT\";\"\";"
        "\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"Bank "
        "2\";\"AT611904300234573201\";\"BKAUATWW\";\"AT\"\r\n"
        "\"0\";\"\";\"Nur ein Name €\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";"
        "\"\";\"\";\"\";\"\";\"\";\"\";\"\"\r\n");
}

// Runs one conversion and expects it to complete without findings.
inline void ExpectRun(const CTempDir& temp, std::vector<std::string> args, int exitCode = 0) {
    args.insert(args.begin(), "/AUTO");
    CResult result = RunPelko(temp, args);
    std::string all;
    for (const std::string& arg : args)
        all += arg + " ";
    EXPECT_EQ(result.exitCode, exitCode) << all << "\n" << result.out << result.err;
}

// Executes statements directly on a database, for tables the program did not create.
inline void Execute(const std::string& connectionString, const std::vector<std::string>& statements) {
    CADODatabase database;
    database.connectionString = connectionString;
    ASSERT_TRUE(database.Connect()) << database.errorText;
    for (const std::string& sql : statements)
        ASSERT_TRUE(database.ExecuteStatement(Ansi(sql))) << sql << "\n" << database.errorText;
}

// The first field of every row of a query as text, joined by "|"; "?" when the query fails.
inline std::string Query(const std::string& connectionString, const std::string& sql) {
    CADODatabase database;
    database.connectionString = connectionString;
    if (!database.Connect()) return "?" + database.errorText;
    CADORecordset rows(database);
    if (!rows.OpenQuery(Ansi(sql))) return "?" + rows.errorText;
    std::string all, text;
    for (; !rows.AtEnd(); rows.NextRow()) {
        rows.FieldText(0, text);
        all += (all.empty() ? "" : "|") + text;
    }
    return all;
}
