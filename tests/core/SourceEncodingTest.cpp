#include "core/CCodePage.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

// Texts with umlauts are written as UTF-8 and brought into Windows-1252 by Ansi(); in a source
// file saved as Latin-1 each umlaut of such a text comes out as "?".
TEST(SourceEncodingTest, EverySourceFileIsUtf8) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(PELKO_SOURCE_DIR "/src")) {
        if (!entry.is_regular_file()) continue;
        const std::string text = CTempDir::Read(entry.path().string());
        for (size_t pos = 0; pos < text.size();) {
            const size_t at = pos;
            if (CCodePage::NextCodePoint(text, pos) == 0xFFFD && text.compare(at, 3, "\xEF\xBF\xBD") != 0) {
                ADD_FAILURE() << entry.path() << ": no UTF-8 at byte " << at;
                break;
            }
        }
    }
}
