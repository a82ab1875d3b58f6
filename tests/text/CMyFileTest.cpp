#include "text/CMyFile.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <thread>
#include <vector>

namespace {

struct CRead {
    std::vector<std::string> lines;
    bool endAfterLast = false;
};

CRead ReadAll(const std::string& bytes, bool anyBreak) {
    CTempDir dir;
    std::string path = dir.File("in.txt");
    CTempDir::Write(path, bytes);
    CMyFile file;
    EXPECT_TRUE(file.OpenRead(path));
    CRead result;
    while (!file.IsEndOfFile() && result.lines.size() < 100000)
        result.lines.push_back(anyBreak ? file.ReadLineAnyBreak() : file.ReadLine());
    result.endAfterLast = file.IsEndOfFile();
    return result;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(CMyFile, LineRules) {
    EXPECT_EQ(ReadAll("a\r\nb", false).lines, (Lines{"a", "b"}));
    EXPECT_EQ(ReadAll("a\r\nb\r\n", false).lines, (Lines{"a", "b"}));
    EXPECT_EQ(ReadAll("x\ny\rz\r\n\r\nq", false).lines, (Lines{"x\ny\rz", "", "q"}));
    EXPECT_EQ(ReadAll("x\ny\rz\r\n\r\nq", true).lines, (Lines{"x", "y", "z", "", "q"}));
    EXPECT_EQ(ReadAll("a\r", true).lines, (Lines{"a"}));
    EXPECT_EQ(ReadAll(std::string("a\0b", 3), false).lines, (Lines{"a b"}));
    CRead empty = ReadAll("", false);
    EXPECT_EQ(empty.lines, (Lines{""}));
    EXPECT_TRUE(empty.endAfterLast);
}

// Files from Unix tools end their lines with LF alone; one CR LF anywhere in sight keeps the CR LF rule.
TEST(CMyFile, UnixLineEndsAreRecognised) {
    EXPECT_EQ(ReadAll("a;b\nc;d\n", false).lines, (Lines{"a;b", "c;d"}));
    EXPECT_EQ(ReadAll("a\rb\nc", false).lines, (Lines{"a\rb", "c"}));
    EXPECT_EQ(ReadAll("x\ny\r\nz", false).lines, (Lines{"x\ny", "z"}));
    // The first line feed may come after many reads.
    std::string longFirst(100000, 'l');
    EXPECT_EQ(ReadAll(longFirst + "\nsecond", false).lines, (Lines{longFirst, "second"}));
}

// The reader asks the file for this many bytes at a time.
const size_t kRead = 256 << 10;

TEST(CMyFile, LongLinesComeBackWhole) {
    std::string longLine(600000, 'x');
    longLine[kRead - 2] = '\r'; // a CR at a chunk border, not followed by LF
    std::string crlfAtBorder(kRead - 1, 'y');
    EXPECT_EQ(ReadAll(longLine + "\r\nend", false).lines, (Lines{longLine, "end"}));
    // The CR LF pair split across two reads still ends the line.
    EXPECT_EQ(ReadAll(crlfAtBorder + "\r\nz", false).lines, (Lines{crlfAtBorder, "z"}));
    EXPECT_EQ(ReadAll(crlfAtBorder + "\r\nz", true).lines, (Lines{crlfAtBorder, "z"}));
    // A file that fills exactly one read is not known to end there: one extra empty line follows.
    EXPECT_EQ(ReadAll(std::string(kRead - 2, 'a') + "\r\n", false).lines,
              (Lines{std::string(kRead - 2, 'a'), ""}));
    // A last line long enough to need no further read still ends the input (here read whole, as
    // UTF-16 is).
    std::string utf16("\xFF\xFE", 2);
    for (char c : "x\r\n" + std::string(40000, 'y') + "\r\n")
        utf16 += std::string{c, '\0'};
    CRead whole = ReadAll(utf16, false);
    EXPECT_EQ(whole.lines, (Lines{"\xEF\xBB\xBFx", std::string(40000, 'y')}));
    EXPECT_TRUE(whole.endAfterLast);
}

TEST(CMyFile, ManyLinesAcrossChunks) {
    std::string bytes;
    Lines expected;
    for (int i = 0; i < 20000; ++i) {
        expected.push_back("line " + std::to_string(i));
        bytes += expected.back() + "\r\n";
    }
    EXPECT_EQ(ReadAll(bytes, false).lines, expected);
}

TEST(CMyFile, WriteReplacesTargetOnlyOnSuccess) {
    CTempDir dir;
    std::string path = dir.File("out.csv");
    CTempDir::Write(path, "old\r\n");
    {
        CMyFile file;
        ASSERT_TRUE(file.OpenWrite(path, 0));
        file.WriteLine("new");
        // Destroyed without CloseFile, as after a failure: the old file stays, no temporary remains.
    }
    EXPECT_EQ(CTempDir::Read(path), "old\r\n");
    EXPECT_FALSE(std::filesystem::exists(path + ".pelko-tmp"));

    CMyFile file;
    ASSERT_TRUE(file.OpenWrite(path, 0));
    file.WriteLine("a");
    file.WriteRaw("");
    file.WriteRaw("b");
    EXPECT_EQ(file.CloseFile(), 1);
    ASSERT_TRUE(file.OpenWrite(path, 1));
    file.WriteLine("c");
    EXPECT_EQ(file.CloseFile(), 1);
    EXPECT_EQ(CTempDir::Read(path), "a\r\nbc\r\n");

    EXPECT_EQ(file.OpenWrite(dir.File("missing/out.csv"), 0), 0);
    EXPECT_EQ(file.OpenRead(dir.File("missing.csv")), 0);
    EXPECT_TRUE(file.IsEndOfFile());
}

TEST(CMyFile, SizeAndProgress) {
    CTempDir dir;
    std::string path = dir.File("in.txt");
    CTempDir::Write(path, std::string(100000, 'a'));
    CMyFile file;
    ASSERT_TRUE(file.OpenRead(path));
    EXPECT_EQ(file.MeasureSize(), 100000);
    EXPECT_EQ(file.ProgressPercent(), 0);
    file.ReadLine();
    EXPECT_EQ(file.ProgressPercent(), 100);
}

TEST(CMyFile, FailedWritesAreReported) {
    CTempDir dir;
    CMyFile file;
    EXPECT_EQ(file.OpenWrite(dir.path.string(), 0), 0); // a folder is no file
    EXPECT_EQ(file.OpenRead(dir.path.string()), 0);
    ASSERT_TRUE(file.OpenWrite("/dev/full", 1));
    file.WriteLine(std::string(100000, 'x'));
    EXPECT_EQ(file.CloseFile(), 0);
}

// Old Mac files end lines with CR alone; a Ctrl-Z after the last line marks the end of the text.
TEST(CMyFile, CrLineEndsAndEndOfTextMark) {
    EXPECT_EQ(ReadAll("a;b\rc;d\r", false).lines, (Lines{"a;b", "c;d"}));
    EXPECT_EQ(ReadAll("a\r\nb\r\n\x1A", false).lines, (Lines{"a", "b"}));
    EXPECT_EQ(ReadAll("a\r\nb\x1A", false).lines, (Lines{"a", "b"}));
}

// UTF-16 text is read as UTF-8 with its mark.
TEST(CMyFile, Utf16IsReadAsUtf8) {
    EXPECT_EQ(ReadAll(std::string("\xFF\xFEM\0\xFC\0\r\0\n\0x\0", 12), false).lines,
              (Lines{"\xEF\xBB\xBFM\xC3\xBC", "x"}));
    EXPECT_EQ(ReadAll(std::string("\xFE\xFF\0M\xD8\x3D\xDE\x00", 8), false).lines,
              (Lines{"\xEF\xBB\xBFM\xF0\x9F\x98\x80"}));
}

// An input that cannot seek is read whole, also when it is read a second time from its start;
// a read error or the size limit is reported, never taken for the end of the input.
TEST(CMyFile, PipesReadErrorsAndSizeLimit) {
    CTempDir dir;
    std::string fifo = dir.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string bytes;
    for (int i = 0; i < 20000; ++i)
        bytes += "line " + std::to_string(i) + "\r\n";
    std::thread writer([&] { CTempDir::Write(fifo, bytes); });
    CMyFile file;
    ASSERT_TRUE(file.OpenRead(fifo));
    writer.join();
    EXPECT_EQ(file.MeasureSize(), static_cast<long long>(bytes.size()));
    EXPECT_EQ(file.ReadLine(), "line 0");
    file.Rewind();
    int count = 0;
    for (std::string line; !file.IsEndOfFile(); ++count)
        line = file.ReadLine();
    EXPECT_EQ(count, 20000);
    EXPECT_EQ(file.GetReadFault(), CMyFile::EReadFault::None);

    ASSERT_TRUE(file.OpenRead("/proc/self/mem")); // offset 0 is never mapped: the read fails
    file.ReadLine();
    EXPECT_TRUE(file.IsEndOfFile());
    EXPECT_EQ(file.GetReadFault(), CMyFile::EReadFault::Error);

    std::string path = dir.File("big.txt");
    CTempDir::Write(path, bytes);
    file.SetReadLimit(100000);
    ASSERT_TRUE(file.OpenRead(path));
    while (!file.IsEndOfFile())
        file.ReadLine();
    EXPECT_EQ(file.GetReadFault(), CMyFile::EReadFault::TooLarge);
}
