#include "db/CBiffFormulas.h"

#include "core/CCodePage.h"
#include "core/CPlatform.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

unsigned U16(const Bytes& b, size_t at) {
    return at + 2 <= b.size() ? b[at] | (b[at + 1] << 8) : 0;
}

uint32_t U32(const Bytes& b, size_t at) {
    return at + 4 <= b.size() ? static_cast<uint32_t>(U16(b, at) | (U16(b, at + 2) << 16)) : 0;
}

const uint32_t kEnd = 0xFFFFFFFE;

// The compound file around the workbook stream: sectors chained through the allocation table.
class CCompoundFile {
public:
    bool Load(const Bytes& data) {
        file = data;
        if (file.size() < 512 || std::memcmp(file.data(), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) != 0)
            return false;
        const unsigned shift = U16(file, 0x1E);
        if (shift < 7 || shift > 12) return false;
        sector = 1u << shift;
        // The allocation table's sectors: 109 in the header, more in a chain of DIFAT sectors.
        std::vector<uint32_t> fatSectors;
        for (size_t i = 0; i < 109; ++i)
            fatSectors.push_back(U32(file, 0x4C + i * 4));
        uint32_t difat = U32(file, 0x44);
        for (int guard = 0; difat < kEnd - 3 && guard < 100000; ++guard) {
            const size_t at = Offset(difat);
            for (size_t i = 0; i + 1 < sector / 4; ++i)
                fatSectors.push_back(U32(file, at + i * 4));
            difat = U32(file, at + sector - 4);
        }
        const uint32_t fatCount = U32(file, 0x2C);
        for (uint32_t i = 0; i < fatCount && i < fatSectors.size(); ++i) {
            const size_t at = Offset(fatSectors[i]);
            for (size_t j = 0; j < sector / 4; ++j)
                fat.push_back(U32(file, at + j * 4));
        }
        directory = Chain(U32(file, 0x30), fat, sector, file, 0);
        miniFat.clear();
        Bytes miniFatBytes = Chain(U32(file, 0x3C), fat, sector, file, 0);
        for (size_t i = 0; i + 4 <= miniFatBytes.size(); i += 4)
            miniFat.push_back(U32(miniFatBytes, i));
        miniStream = Chain(U32(directory, 0x74), fat, sector, file, 0);
        cutoff = U32(file, 0x38);
        return !directory.empty();
    }

    // The stream of the first entry with one of the names; empty when there is none.
    Bytes Stream(const char* const* names) const {
        for (size_t at = 0; at + 128 <= directory.size(); at += 128) {
            const unsigned length = U16(directory, at + 0x40);
            std::string name;
            for (unsigned i = 0; i + 2 < length && i < 64; i += 2)
                name += static_cast<char>(directory[at + i]);
            for (const char* const* wanted = names; *wanted; ++wanted) {
                if (name != *wanted || directory[at + 0x42] != 2) continue;
                const uint32_t start = U32(directory, at + 0x74);
                const uint32_t size = U32(directory, at + 0x78);
                return size < cutoff ? Chain(start, miniFat, 64, miniStream, size)
                                     : Chain(start, fat, sector, file, size);
            }
        }
        return Bytes();
    }

private:
    size_t Offset(uint32_t index) const { return (static_cast<size_t>(index) + 1) * sector; }

    // The bytes of a chain of sectors, cut to size when it is given; a broken chain ends early.
    static Bytes Chain(uint32_t start, const std::vector<uint32_t>& table, size_t unit, const Bytes& source,
                       size_t size) {
        Bytes out;
        for (uint32_t index = start, guard = 0;
             index < kEnd - 3 && index < table.size() && guard < table.size();
             index = table[index], ++guard) {
            const size_t at =
                unit == 64 ? static_cast<size_t>(index) * 64 : (static_cast<size_t>(index) + 1) * unit;
            if (at + unit > source.size()) break;
            out.insert(out.end(), source.begin() + static_cast<long>(at),
                       source.begin() + static_cast<long>(at + unit));
            if (size && out.size() >= size) break;
        }
        if (size && out.size() > size) out.resize(size);
        return out;
    }

    Bytes file;
    size_t sector = 512;
    std::vector<uint32_t> fat;
    std::vector<uint32_t> miniFat;
    Bytes directory;
    Bytes miniStream;
    uint32_t cutoff = 4096;
};

// A BIFF8 string as Windows-1252: 8-bit characters are ISO-8859-1, 16-bit ones UTF-16LE.
std::string BiffText(const Bytes& b, size_t at, unsigned count, bool wide) {
    std::string text;
    for (unsigned i = 0; i < count; ++i) {
        unsigned code = wide ? U16(b, at + i * 2) : (at + i < b.size() ? b[at + i] : 0);
        if (wide && code >= 0xD800 && code < 0xDC00 && i + 1 < count) {
            code = 0x10000; // a surrogate pair: no Windows-1252 form
            ++i;
        }
        text += CCodePage::UnicodeToAnsi(code);
    }
    return text;
}

} // namespace

bool CBiffFormulas::Read(const std::string& path, std::string& errorText) {
    Bytes data;
    if (std::FILE* file = CPlatform::OpenFile(path, "rb")) {
        unsigned char buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            data.insert(data.end(), buffer, buffer + n);
        std::fclose(file);
    }
    CCompoundFile compound;
    static const char* const names[] = {"Workbook", "Book", nullptr};
    const Bytes stream = compound.Load(data) ? compound.Stream(names) : Bytes();
    if (stream.empty()) {
        errorText = Ansi("Die Datei enthält keine Excel-Arbeitsmappe (kein Workbook-Datenstrom).");
        return false;
    }
    // Sheet names by the stream position of their BOF record, from the BOUNDSHEET records.
    std::map<uint32_t, std::string> sheets;
    for (size_t at = 0; at + 4 <= stream.size();) {
        const unsigned type = U16(stream, at), length = U16(stream, at + 2);
        const size_t body = at + 4;
        if (type == 0x0085 && length >= 8)
            sheets[U32(stream, body)] = BiffText(stream, body + 8, stream[body + 6], stream[body + 7] & 1);
        if (type == 0x000A) break; // EOF of the workbook globals
        at = body + length;
    }
    for (const auto& [position, name] : sheets) {
        int depth = 0;
        for (size_t at = position; at + 4 <= stream.size();) {
            const unsigned type = U16(stream, at), length = U16(stream, at + 2);
            const size_t body = at + 4;
            at = body + length;
            if (type == 0x0809) ++depth; // BOF, also of a chart inside the sheet
            if (type == 0x000A && --depth <= 0) break;
            if (type != 0x0006 || depth != 1 || length < 20) continue;
            CDbValue value;
            const unsigned row = U16(stream, body), column = U16(stream, body + 2);
            if (U16(stream, body + 12) != 0xFFFF) {
                double number = 0;
                std::memcpy(&number, &stream[body + 6], 8);
                value.type = CDbValue::EType::Float64;
                value.number = number;
            } else if (stream[body + 6] == 1) {
                value.type = CDbValue::EType::Boolean;
                value.integer = stream[body + 8] ? 1 : 0;
            } else if (stream[body + 6] == 0 && at + 7 <= stream.size() && U16(stream, at) == 0x0207) {
                // The text result follows in a STRING record.
                value.type = CDbValue::EType::Text;
                value.text = BiffText(stream, at + 7, U16(stream, at + 4), stream[at + 6] & 1);
            } else if (stream[body + 6] == 3) {
                value.type = CDbValue::EType::Text;
            } else {
                value.type = CDbValue::EType::Other; // an error value such as #DIV/0!
            }
            results[CKey(name, row, column)] = value;
        }
    }
    return true;
}
