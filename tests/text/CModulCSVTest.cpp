#include "text/CModulCSV.h"
#include "core/CCodePage.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

namespace {

// An engine with columns P, Q, R and a layout file in a temporary folder.
struct CFixture {
    CTempDir dir;
    CRecordingFrontEnd frontEnd;
    CModulCSV engine{frontEnd};
    std::string layout = dir.File("layout.ini");
    std::string out = dir.File("out.csv");

    explicit CFixture(std::initializer_list<const char*> names = {"P", "Q", "R"}) {
        engine.ResetLayout();
        for (const char* name : names)
            engine.DefineColumn(name, 1);
    }
    void Layout(const std::string& body) { CTempDir::Write(layout, "[S]\r\n" + body); }

    // Exports one record per row (values in definition order) and returns the file's bytes.
    std::string Export(const std::vector<std::vector<std::string>>& rows, int numeric = 0) {
        EXPECT_EQ(engine.SetupExport(layout, "S", 0), 1);
        EXPECT_EQ(engine.OpenExportFile(out, 0), 1);
        engine.WriteHeading();
        for (const auto& row : rows) {
            engine.ClearValues();
            for (size_t i = 0; i < row.size(); ++i)
                engine.SetValue(engine.GetColumn(static_cast<int>(i)).name, row[i], numeric);
            engine.WriteRecord();
        }
        EXPECT_EQ(engine.CloseFile(), 1);
        return CTempDir::Read(out);
    }

    // Imports the bytes and returns the values of the named columns, one row per record. Read in
    // place, the values must be the same: each import is read both ways, in place first, so that
    // the engine is left as a copying import leaves it.
    std::vector<std::vector<std::string>> Import(const std::string& bytes) {
        std::vector<std::vector<std::string>> inPlace = Import(bytes, true);
        std::vector<std::vector<std::string>> rows = Import(bytes, false);
        EXPECT_EQ(inPlace, rows);
        return rows;
    }
    std::vector<std::vector<std::string>> Import(const std::string& bytes, bool inPlace) {
        std::string in = dir.File("in.csv");
        CTempDir::Write(in, bytes);
        EXPECT_EQ(engine.PrepareImport(in), 1);
        EXPECT_EQ(engine.OpenImportFile(in), 1);
        EXPECT_EQ(engine.SetupImport(layout, "S", 0), 1);
        if (inPlace) engine.ReadInPlace();
        std::vector<std::vector<std::string>> rows;
        for (int more = 1; more;) {
            engine.ClearValues();
            more = engine.ReadRecord();
            std::vector<std::string> row;
            for (int i = 0; i < engine.GetColumnCount(); ++i) {
                std::string value;
                engine.GetString(i < 3 ? engine.GetColumn(i).name : std::string(), value);
                if (!engine.GetColumn(i).name.empty()) row.push_back(value);
            }
            rows.push_back(row);
        }
        engine.CloseFile();
        return rows;
    }
};

using Rows = std::vector<std::vector<std::string>>;

} // namespace

TEST(CModulCSV, WritesQuotedByDefault) {
    CFixture f;
    EXPECT_EQ(f.Export({{"12\"34", "a;b", "x\r\ny"}}),
              "\"P\";\"Q\";\"R\"\r\n\"12\"\"34\";\"a;b\";\"x\ny\"\r\n");
}

// Values of every length up to beyond the short ones, each byte in its place.
TEST(CModulCSV, WritesValuesOfEveryLength) {
    CFixture f;
    f.Layout("Hochkomma=0\r\n");
    const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    Rows rows;
    std::string expected = "P;Q;R\r\n";
    for (size_t n = 0; n <= 40; ++n) {
        rows.push_back({letters.substr(0, n), letters.substr(n % 7, n), letters.substr(1, n + 1)});
        expected += rows.back()[0] + ";" + rows.back()[1] + ";" + rows.back()[2] + "\r\n";
    }
    EXPECT_EQ(f.Export(rows), expected);
}

TEST(CModulCSV, WritesUnquotedWithReplacements) {
    CFixture f;
    f.Layout("Hochkomma=0\r\n");
    EXPECT_EQ(f.Export({{"a;b", "\"q\"", ""}}), "P;Q;R\r\na,b; \"q\" ;\r\n");
    f.Layout("Hochkomma=0\r\nTrennzeichen=1\r\n");
    EXPECT_EQ(f.Export({{"a,b", "1;2", "t"}}), "P,Q,R\r\na.b,1;2,t\r\n");
    f.Layout("Hochkomma=0\r\nTrennzeichen=2\r\n");
    EXPECT_EQ(f.Export({{"a\tb", "|", ""}}), "P\tQ\tR\r\na    b\t|\t\r\n");
    f.Layout("Hochkomma=0\r\nTrennzeichen=3\r\n");
    EXPECT_EQ(f.Export({{"a|b", "", "c"}}), "P|Q|R\r\na/b||c\r\n");
    // A separator index nobody knows writes with ";".
    f.Layout("Hochkomma=0\r\nTrennzeichen=7\r\n");
    EXPECT_EQ(f.Export({{"a;b", "2", "3"}}), "P;Q;R\r\na,b;2;3\r\n");
}

TEST(CModulCSV, ForceQuotesWithoutQuoteAll) {
    CFixture f;
    f.Layout("Hochkomma=0\r\n");
    f.engine.SetupExport(f.layout, "S", 0);
    f.engine.OpenExportFile(f.out, 0);
    f.engine.ClearValues();
    f.engine.SetValue("P", "S", 0, 1);
    f.engine.SetValue("Q", "a\"b", 0, 1);
    f.engine.WriteRecord();
    f.engine.CloseFile();
    EXPECT_EQ(CTempDir::Read(f.out), "\"S\";\"a\"\"b\";\r\n");
}

TEST(CModulCSV, LineBreaksSoftReturnsAndDecimalPoint) {
    CFixture f;
    f.Layout("OpenOffice=1\r\n");
    EXPECT_EQ(f.Export({{"a\r\nb", "c\nd",
                         "e~\xA7"
                         "f"}}),
              "\"P\";\"Q\";\"R\"\r\n\"a b\";\"c d\";\"e f\"\r\n");
    f.Layout("SoftReturn=13\r\n");
    EXPECT_EQ(f.Export({{"a\r\nb", "lone\rcr", ""}}), "\"P\";\"Q\";\"R\"\r\n\"a\rb\";\"lone\rcr\";\"\"\r\n");
    // Empty lines inside a value get a blank so that no line of the field is empty.
    f.Layout("");
    EXPECT_EQ(f.Export({{"a\n\nb", "a\n\n\nb", ""}}),
              "\"P\";\"Q\";\"R\"\r\n\"a\n \nb\";\"a\n \n\nb\";\"\"\r\n");
    f.Layout("Nachkommazeichen=1\r\nHochkomma=0\r\n");
    EXPECT_EQ(f.Export({{"987,65", "", ""}}, 1), "P;Q;R\r\n987.65;;\r\n");
    EXPECT_EQ(f.Export({{"987,65", "", ""}}, 0), "P;Q;R\r\n987,65;;\r\n");
}

TEST(CModulCSV, LongValuesAreCutWithANote) {
    CFixture f;
    f.Layout("Hochkomma=0\r\n" + Ansi("Keine Überschriftszeile") + "=1\r\n");
    std::string exact(32760, 'x');
    std::string written = f.Export({{std::string(40000, 'x'), exact, ""}});
    EXPECT_EQ(written,
              std::string(32700, 'x') + "\n \n...(wegen Excel-Begrenzung abgeschnitten);" + exact + ";\r\n");
}

TEST(CModulCSV, OemLinesAndAnsiHeading) {
    CFixture f({"\xC4", "B"});
    f.Layout("Hochkomma=0\r\nZeichensatz=1\r\n");
    EXPECT_EQ(f.Export({{"\xFC", "\xDF"}}), "\xC4;B\r\n\x81;\xE1\r\n");
}

// Lines are joined straight into the file's write buffer: lines across its edges, and one longer
// than the whole buffer, come out whole in every charset.
TEST(CModulCSV, LinesAcrossAndBeyondTheWriteBufferInEveryCharset) {
    struct CCase {
        int charset;
        std::string start; // before the heading line
        std::string (*convert)(std::string_view);
    } cases[] = {{0, "", [](std::string_view line) { return std::string(line); }},
                 {1, "", CCodePage::AnsiToOem},
                 {2, "\xEF\xBB\xBF", CCodePage::AnsiToUtf8}};
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.charset);
        CFixture f({"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"});
        f.Layout("Hochkomma=0\r\nZeichensatz=" + std::to_string(c.charset) + "\r\n");
        Rows rows;
        std::string expected = c.start + "A;B;C;D;E;F;G;H;I;J\r\n";
        for (size_t i = 0; i < 300; ++i) {
            std::vector<std::string> row;
            std::string line;
            for (size_t column = 0; column < 10; ++column) {
                const size_t size = i == 150 ? 32000 : (i * 37 + column * 11) % 700;
                row.push_back(std::string(size, static_cast<char>('a' + i % 26)) + (i % 3 ? "" : "\xE4"));
                line += (column ? ";" : "") + row.back();
            }
            rows.push_back(row);
            expected += c.convert(line) + "\r\n";
        }
        EXPECT_EQ(f.Export(rows), expected);
    }
}

TEST(CModulCSV, FixedValuesAndReferences) {
    CFixture f({"A", "B", "C", "D", "X"});
    f.Layout("Hochkomma=0\r\nWert: X=#2\r\nWert: D=#9\r\nWert: B=fest\r\n");
    EXPECT_EQ(f.Export({{"a", "b", "c", "d", "x"}}), "A;B;C;D;X\r\na;fest;c;#9;c\r\n");
    f.Layout("Hochkomma=0\r\nWert: X=##abc\r\n");
    EXPECT_EQ(f.Export({{"a", "b", "c", "d", "x"}}), "A;B;C;D;X\r\na;b;c;d;a\r\n");
    // A hand-written fixed value survives the save of its section.
    EXPECT_NE(CTempDir::Read(f.layout).find("Wert: X=##abc"), std::string::npos);
    // A reference to a column defined (and set) later takes that column's value of the same record,
    // quoted once.
    f.Layout("Wert: A=#4\r\n");
    EXPECT_EQ(f.Export({{"a", "b", "c", "d", "x\"1"}, {"a", "b", "c", "d", "y"}}),
              "\"A\";\"B\";\"C\";\"D\";\"X\"\r\n\"x\"\"1\";\"b\";\"c\";\"d\";\"x\"\"1\"\r\n"
              "\"y\";\"b\";\"c\";\"d\";\"y\"\r\n");
}

// Held values stay on every line in the layout's order; a column set again (longer or shorter than
// before), options changed after the first line and ClearValues each take effect from the next line on.
TEST(CModulCSV, HeldValues) {
    CFixture f({"A", "B", "C", "D"});
    f.Layout("Hochkomma=0\r\n");
    f.engine.SetupExport(f.layout, "S", 0);
    f.engine.SwapPositions(0, 2);
    f.engine.SetSelected(3, 0);
    f.engine.OpenExportFile(f.out, 0);
    f.engine.ClearValues();
    // A view held is copied: its text may change afterwards.
    std::string a = "a";
    f.engine.SetView(f.engine.NameKey("A"), a);
    f.engine.SetValue("B", "b");
    f.engine.HoldValues();
    a = "?";
    for (const char* c : {"333", "1", "22"}) {
        f.engine.SetValue("C", c, 0, 1);
        f.engine.WriteRecord();
    }
    f.engine.SetValue("B", "b2");
    f.engine.WriteRecord();
    f.engine.quoteAll = 1;
    f.engine.separatorIndex = 2;
    f.engine.SetValue("C", "4");
    f.engine.WriteRecord();
    f.engine.ClearValues();
    f.engine.SetValue("A", "x");
    f.engine.WriteRecord();
    f.engine.CloseFile();
    EXPECT_EQ(CTempDir::Read(f.out), "\"333\";b;a\r\n\"1\";b;a\r\n\"22\";b;a\r\n"
                                     "\"22\";b2;a\r\n\"4\"\t\"b2\"\t\"a\"\r\n\"\"\t\"\"\t\"x\"\r\n");
}

// A layout file that cannot be saved does not stop the run, but a HINWEIS names it.
TEST(CModulCSV, LayoutThatCannotBeSavedGivesANotice) {
    CFixture f;
    f.Layout("Hochkomma=0\r\n");
    chmod(f.layout.c_str(), 0444);
    EXPECT_EQ(f.Export({{"a", "b", "c"}}), "P;Q;R\r\na;b;c\r\n");
    EXPECT_EQ(f.engine.TakeFindings(), "HINWEIS: Die Einstellungen konnten nicht in der Datei '" + f.layout +
                                           "' gespeichert werden.\r\n");
    EXPECT_EQ(f.engine.TakeFindings(), "");
}

TEST(CModulCSV, LayoutRepairAndGaps) {
    CFixture f;
    f.Layout("Hochkomma=0\r\nPos.: P=2\r\nPos.: Q=2\r\n");
    // P 2, Q 3, R the smallest free position 0: only R is written, nothing holds position 1.
    EXPECT_EQ(f.Export({{"p", "q", "r"}}), "R\r\nr\r\n");
    EXPECT_EQ(f.engine.GetColumn(0).position, 2);
    EXPECT_EQ(f.engine.GetColumn(1).position, 3);
    f.Layout("Hochkomma=0\r\nPos.: R=0\r\n");
    EXPECT_EQ(f.Export({{"p", "q", "r"}}), "R;P;Q\r\nr;p;q\r\n");
    f.Layout("Hochkomma=0\r\nPos.: P=1\r\nSel.: Q=0\r\nName: R=Titel\r\n");
    // Q takes the free position 0 but is not selected; R goes behind P.
    EXPECT_EQ(f.Export({{"p", "q", "r"}}), "P;Titel\r\np;r\r\n");
    // Two columns on the highest position there is: the second cannot go behind it and takes the
    // first free place.
    CFixture g;
    g.Layout("Hochkomma=0\r\nPos.: P=2147483647\r\nPos.: Q=2147483647\r\n");
    EXPECT_EQ(g.Export({{"p", "q", "r"}}), "Q;R\r\nq;r\r\n");
}

TEST(CModulCSV, SavedLayoutListsNamedColumns) {
    CFixture f;
    CTempDir::Write(f.layout, "; Kommentar\r\n[S]\r\nEigener=1\r\n");
    f.Export({{"1", "2", "3"}});
    EXPECT_EQ(CTempDir::Read(f.layout),
              "; Kommentar\r\n[S]\r\nEigener=1\r\nTrennzeichen=0\r\nHochkomma=1\r\n"
              "OpenOffice=0\r\nSoftReturn=10\r\nZeichensatz=0\r\nNachkommazeichen=0\r\n" +
                  Ansi("Keine Überschriftszeile") +
                  "=0\r\nPos.: P=0\r\nSel.: P=1\r\nName: P=P\r\nPos.: Q=1\r\n"
                  "Sel.: Q=1\r\nName: Q=Q\r\nPos.: R=2\r\nSel.: R=1\r\nName: R=R\r\n");
}

// A layout read before is taken again only while the file holds the same bytes and the columns
// start out the same; an edit of the same length right after the last read still counts.
TEST(CModulCSV, LayoutReadAgainFollowsTheFile) {
    CFixture f;
    f.Layout("Pos.: P=2\r\nPos.: Q=1\r\nPos.: R=0\r\nSel.: R=1\r\n");
    f.engine.SetSelected(0, 0);
    f.engine.LoadLayout(f.layout, "S");
    EXPECT_EQ(f.engine.GetColumn(0).position, 2);
    EXPECT_EQ(f.engine.GetColumn(0).selected, 0); // no "Sel.: P": keeps its own
    f.engine.SetSelected(0, 1);
    f.engine.LoadLayout(f.layout, "S");
    EXPECT_EQ(f.engine.GetColumn(0).selected, 1);
    f.Layout("Pos.: P=1\r\nPos.: Q=2\r\nPos.: R=0\r\nSel.: R=0\r\n");
    f.engine.LoadLayout(f.layout, "S");
    EXPECT_EQ(f.engine.GetColumn(0).position, 1);
    EXPECT_EQ(f.engine.GetColumn(1).position, 2);
    EXPECT_EQ(f.engine.GetColumn(2).selected, 0);
    // Saved unchanged twice, then changed: the change is written.
    EXPECT_EQ(f.engine.SaveLayout(f.layout, "S"), 1);
    EXPECT_EQ(f.engine.SaveLayout(f.layout, "S"), 1);
    f.engine.SetSelected(2, 1);
    EXPECT_EQ(f.engine.SaveLayout(f.layout, "S"), 1);
    EXPECT_NE(CTempDir::Read(f.layout).find("Sel.: R=1\r\n"), std::string::npos);
}

TEST(CModulCSV, UnreadableLayoutUsesEveryColumn) {
    CFixture f;
    f.engine.SetSelected(1, 0);
    f.engine.LoadLayout(f.dir.File("no/such/folder/layout.ini"), "S");
    EXPECT_EQ(f.engine.quoteAll, 1);
    EXPECT_EQ(f.engine.separatorIndex, 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(f.engine.GetColumn(i).position, i);
        EXPECT_EQ(f.engine.GetColumn(i).selected, 1);
    }
    EXPECT_EQ(f.engine.SaveLayout(f.dir.File("no/such/folder/layout.ini"), "S"), 0);
}

TEST(CModulCSV, SeparatorDetection) {
    auto detect = [](const std::string& firstLine) {
        CFixture f;
        std::string in = f.dir.File("in.csv");
        CTempDir::Write(in, firstLine + "\r\n");
        f.engine.PrepareImport(in);
        return f.engine.separatorIndex;
    };
    EXPECT_EQ(detect("a;b;c,d"), 0);
    EXPECT_EQ(detect("a,b;c"), 0);
    EXPECT_EQ(detect("a\tb\tc\td;e;f"), 2);
    EXPECT_EQ(detect("a|b"), 3);
    EXPECT_EQ(detect("abc"), -1);
}

TEST(CModulCSV, ReadsQuotedAndMultiLineFields) {
    CFixture f;
    Rows rows = f.Import("P;Q;R\r\na;\"b;c\";\"d\"\"e\"\r\n\"x\r\ny\";2\r\n\"\"\"q\"\"\";;z\r\n"
                         "x;\"\";a\"b\"c;\"q\"r\r\n");
    // A quote in the middle of an unquoted field is a character, as spreadsheet programs read it.
    EXPECT_EQ(rows,
              (Rows{{"a", "b;c", "d\"e"}, {"x\r\ny", "2", ""}, {"\"q\"", "", "z"}, {"x", "", "a\"b\"c"}}));
}

// The line grows by the long second line of a quoted field, which moves it: the value read
// before must not have stayed where it was.
TEST(CModulCSV, KeepsEarlierFieldsWhenAQuotedFieldRunsOn) {
    CFixture f;
    const std::string longLine(5000, 'y');
    Rows rows = f.Import("P;Q;R\r\nfirst;\"x\r\n" + longLine + "\";z\r\n");
    EXPECT_EQ(rows, (Rows{{"first", "x\r\n" + longLine, "z"}}));
}

// Read in place, the fields between those that columns read are passed over many at a time: every
// kind of field there must end where it ends field by field, also in lines that end early.
TEST(CModulCSV, FieldsBetweenReadColumnsArePassedWhereTheyEnd) {
    CFixture f;
    f.Layout("Pos.: P=0\r\nPos.: Q=70\r\nPos.: R=140\r\n");
    const std::string forms[] = {"",
                                 "x",
                                 "\"\"",
                                 "\"a;b\"",
                                 "\"a\"\"b\"",
                                 "a\"b",
                                 "\"ab\"c",
                                 "\"\"\"\"",
                                 std::string(70, 'l'),
                                 "\"" + std::string(80, ';') + "\"",
                                 "\"x\ny\""};
    const size_t fields = 141;
    std::string bytes;
    for (size_t k = 0; k < fields; ++k)
        bytes += "h" + std::to_string(k) + (k + 1 < fields ? ";" : "\r\n");
    std::mt19937 random(11);
    Rows expected;
    for (int line = 0; line < 300; ++line) {
        std::vector<std::string> values(fields);
        for (std::string& value : values)
            value = forms[random() % std::size(forms)];
        const std::string n = std::to_string(line);
        values[0] = "p" + n, values[70] = "q" + n, values[140] = "r" + n;
        const size_t count = random() % 4 ? fields : random() % fields;
        for (size_t k = 0; k < count; ++k)
            bytes += values[k] + (k + 1 < count ? ";" : "");
        bytes += "\r\n";
        expected.push_back(
            {count > 0 ? values[0] : "", count > 70 ? values[70] : "", count > 140 ? values[140] : ""});
    }
    EXPECT_EQ(f.Import(bytes), expected);
}

// A layout may place a column on the highest position there is: read in place, it reads nothing,
// as it does read into the columns, instead of sizing the place for the values by it.
TEST(CModulCSV, ColumnOnTheHighestPositionReadsNothing) {
    CFixture f;
    f.Layout("Pos.: P=2147483647\r\n");
    // Q and R take the free places 0 and 1.
    EXPECT_EQ(f.Import("P;Q;R\r\n1;2;3\r\n"), (Rows{{"", "1", "2"}}));
}

TEST(CModulCSV, UnclosedQuoteRunsToTheEnd) {
    CFixture f;
    Rows rows = f.Import("P;Q;R\r\n\"open;x\r\nmore\r\nlast");
    EXPECT_EQ(rows, (Rows{{"open;x\r\nmore\r\nlast", "", ""}}));
}

TEST(CModulCSV, NoSeparatorReadsWholeLines) {
    CFixture f;
    Rows rows = f.Import("Kopf\r\na;b\r\n");
    // The first line had no separator, so ";" is no separator either.
    EXPECT_EQ(rows, (Rows{{"a;b", "", ""}}));
}

TEST(CModulCSV, NoHeadingReadsFirstLineAsData) {
    CFixture f;
    f.Layout(Ansi("Keine Überschriftszeile") + "=1\r\n");
    Rows rows = f.Import("1;2;3\r\n4;5;6");
    EXPECT_EQ(rows, (Rows{{"1", "2", "3"}, {"4", "5", "6"}}));
}

TEST(CModulCSV, ExtraFieldsGetAnonymousColumnsUpToTheLimit) {
    CFixture f;
    std::string wide;
    for (int i = 0; i < 5000; ++i)
        wide += std::to_string(i) + ";";
    Rows rows = f.Import("P;Q;R;S;T\r\n" + wide + "\r\n");
    EXPECT_EQ(rows[0], (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_EQ(f.engine.GetColumnCount(), CModulCSV::kMaxColumns);
    EXPECT_EQ(f.engine.GetColumn(299).value, "299");
    EXPECT_EQ(f.engine.DefineColumn("Z", 1), 0);
    EXPECT_EQ(CTempDir::Read(f.layout).find("Pos.: ="), std::string::npos);
}

TEST(CModulCSV, GettersTakeSelectedColumnsOnly) {
    CFixture f;
    f.Layout("Sel.: Q=0\r\n");
    f.Import("P;Q;R\r\n 1,5x;7;-12abc\r\n");
    double d = 42;
    int n = 42;
    EXPECT_EQ(f.engine.GetDouble("Q", d), 0);
    EXPECT_EQ(d, 42);
    EXPECT_EQ(f.engine.GetDouble("P", d), 1);
    EXPECT_DOUBLE_EQ(d, 1.5);
    EXPECT_EQ(f.engine.GetInt("R", n), 1);
    EXPECT_EQ(n, -12);
    EXPECT_EQ(f.engine.GetInt("Unbekannt", n), 0);
    EXPECT_EQ(f.engine.SetValue("Unbekannt", "x"), 0);
}

TEST(CModulCSV, AssignByHeadings) {
    CFixture f({"Datum", "Betrag", "Text", "Konto"});
    f.Import("Text;Konto;Betrag;Datum\r\nt;1;2;3\r\n");
    f.engine.PrepareImport(f.dir.File("in.csv"));
    f.engine.OpenImportFile(f.dir.File("in.csv"));
    f.engine.SetupImport(f.layout, "S", 0);
    f.engine.AssignByHeadings();
    f.engine.ClearValues();
    f.engine.ReadRecord();
    std::string value;
    f.engine.GetString("Datum", value);
    EXPECT_EQ(value, "3");
    f.engine.GetString("Text", value);
    EXPECT_EQ(value, "t");
    f.engine.GetString("Konto", value);
    EXPECT_EQ(value, "1");
    f.engine.CloseFile();
}

// Random names, headings and places (repeated, missing, outside the line): the columns end where
// comparing every column with every heading in turn puts them.
TEST(CModulCSV, AssignByHeadingsMatchesThePairwiseRule) {
    std::mt19937 random(11);
    const char* const pool[] = {"A", "B", "C", "D", "E"};
    auto pick = [&] { return std::string(pool[random() % 5]); };
    for (int round = 0; round < 300; ++round) {
        CFixture f({});
        const size_t defined = 1 + random() % 6;
        for (size_t i = 0; i < defined; ++i)
            f.engine.DefineColumn(pick(), 1);
        std::string line;
        for (size_t k = 0, fields = 1 + random() % 8; k < fields; ++k)
            line += (k ? ";" : "") + pick();
        CTempDir::Write(f.dir.File("in.csv"), line + "\r\n");
        ASSERT_EQ(f.engine.OpenImportFile(f.dir.File("in.csv")), 1);
        f.engine.ReadRecord();
        const int count = f.engine.GetColumnCount();
        for (int i = 0; i < count; ++i)
            f.engine.SetPosition(i, static_cast<int>(random() % (count + 2)) - 1);
        std::vector<int> expected;
        for (int i = 0; i < count; ++i)
            expected.push_back(f.engine.GetColumn(i).position);
        auto headingAt = [&](int place) {
            return place >= 0 && place < count ? f.engine.GetColumn(place).value : std::string();
        };
        for (int i = 0; i < count; ++i) {
            const std::string& name = f.engine.GetColumn(i).name;
            if (name.empty()) continue;
            for (int j = 0; j < count; ++j)
                if (name == headingAt(expected[static_cast<size_t>(j)]))
                    std::swap(expected[static_cast<size_t>(i)], expected[static_cast<size_t>(j)]);
        }
        f.engine.AssignByHeadings();
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(f.engine.GetColumn(i).position, expected[static_cast<size_t>(i)]) << "Runde " << round;
        f.engine.CloseFile();
    }
}

TEST(CModulCSV, OpenFailuresShowTheirCodes) {
    CFixture f;
    EXPECT_EQ(f.engine.OpenExportFile(f.dir.File("missing/out.csv"), 0), 0);
    EXPECT_EQ(f.engine.PrepareImport(f.dir.File("missing.csv")), 0);
    ASSERT_EQ(f.frontEnd.boxes.size(), 2u);
    EXPECT_EQ(f.frontEnd.boxes[0].text.rfind("(E:600#9510)\nEs ist ein Fehler beim ", 0), 0u);
    EXPECT_NE(f.frontEnd.boxes[0].text.find("missing/out.csv"), std::string::npos);
    EXPECT_EQ(f.frontEnd.boxes[1].text.rfind("(E:601#9500)\n", 0), 0u);
}

TEST(CModulCSV, FailedWriteIsReported) {
    CFixture f;
    ASSERT_EQ(f.engine.OpenExportFile("/dev/full", 1), 1);
    f.engine.WriteHeading();
    EXPECT_EQ(f.engine.CloseFile(), 0);
    ASSERT_EQ(f.frontEnd.boxes.size(), 1u);
    EXPECT_EQ(f.frontEnd.boxes[0].text.rfind("(E:602#", 0), 0u);
}
