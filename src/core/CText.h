#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>

// A text field of a record, in 16 bytes instead of the 32 of std::string: texts of up to 15 bytes
// stand in place, longer ones on the heap. A text may also refer to bytes it does not own (Refer):
// a record list hands out its records that way, without copying their texts.
class CText {
public:
    CText() noexcept { SetEmpty(); }
    CText(std::string_view text) {
        SetEmpty();
        Assign(text);
    }
    CText(const std::string& text) : CText(std::string_view(text)) {}
    CText(const char* text) : CText(std::string_view(text)) {}
    CText(const CText& other) : CText(other.View()) {}
    CText(CText&& other) noexcept {
        std::memcpy(bytes, other.bytes, sizeof bytes);
        other.SetEmpty();
    }
    ~CText() { Release(); }

    CText& operator=(const CText& other) {
        if (this != &other) Assign(other.View());
        return *this;
    }
    CText& operator=(CText&& other) noexcept {
        if (this != &other) {
            Release();
            std::memcpy(bytes, other.bytes, sizeof bytes);
            other.SetEmpty();
        }
        return *this;
    }
    CText& operator=(std::string_view text) {
        Assign(text);
        return *this;
    }
    CText& operator=(const std::string& text) { return *this = std::string_view(text); }
    CText& operator=(const char* text) { return *this = std::string_view(text); }

    std::size_t size() const noexcept { return IsLarge() ? LargeSize() : kInline - Tag(); }
    bool empty() const noexcept { return size() == 0; }
    const char* data() const noexcept { return IsLarge() ? LargePointer() : bytes; }
    const char* c_str() const noexcept { return data(); }
    char operator[](std::size_t i) const noexcept { return data()[i]; }
    void clear() noexcept {
        Release();
        SetEmpty();
    }

    std::string substr(std::size_t pos, std::size_t count = std::string::npos) const {
        return std::string(View().substr(pos, count));
    }
    std::string_view View() const noexcept { return {data(), size()}; }
    // The text becomes a reference to length bytes at text, which the caller keeps unchanged for as
    // long as this text (and any move of it) is used; c_str() ends where the bytes are followed by a
    // NUL (as in a record a list hands out). A copy owns its bytes.
    void Refer(const char* text, std::uint32_t length) noexcept {
        Release();
        if (length == 0) return SetEmpty(); // an empty view may have no bytes at all
        Point(text, length, kReferTag);
    }
    operator std::string_view() const noexcept { return View(); }
    operator std::string() const { return std::string(View()); }

    friend bool operator==(const CText& a, const CText& b) noexcept { return a.View() == b.View(); }
    friend bool operator==(const CText& a, std::string_view b) noexcept { return a.View() == b; }
    friend bool operator==(const CText& a, const std::string& b) noexcept { return a.View() == b; }
    friend bool operator==(const CText& a, const char* b) noexcept { return a.View() == b; }
    friend std::string operator+(const CText& a, std::string_view b) {
        return std::string(a.View()).append(b);
    }
    friend std::string operator+(std::string_view a, const CText& b) {
        return std::string(a).append(b.View());
    }

private:
    static constexpr std::size_t kInline = 15;       // bytes in place; byte 15 holds 15 - length
    static constexpr unsigned char kLargeTag = 0xFF; // byte 15 of a text on the heap
    static constexpr unsigned char kReferTag = 0xFE; // byte 15 of a text that refers to other bytes

    unsigned char Tag() const noexcept { return static_cast<unsigned char>(bytes[kInline]); }
    bool IsLarge() const noexcept { return Tag() >= kReferTag; }
    char* LargePointer() const noexcept {
        char* pointer;
        std::memcpy(&pointer, bytes, sizeof pointer);
        return pointer;
    }
    std::size_t LargeSize() const noexcept {
        std::uint32_t length;
        std::memcpy(&length, bytes + sizeof(char*), sizeof length);
        return length;
    }
    // All 16 bytes in one store: a move that copies them right after need not wait for byte stores.
    void SetEmpty() noexcept {
        static constexpr char kEmpty[16] = {'\0', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kInline};
        std::memcpy(bytes, kEmpty, sizeof bytes);
    }
    void Point(const char* pointer, std::uint32_t length, unsigned char tag) noexcept {
        std::memcpy(bytes, &pointer, sizeof pointer);
        std::memcpy(bytes + sizeof pointer, &length, sizeof length);
        bytes[kInline] = static_cast<char>(tag);
    }
    void Release() noexcept {
        if (Tag() == kLargeTag) delete[] LargePointer();
    }
    void Assign(std::string_view text);

    alignas(8) char bytes[16];
};

std::ostream& operator<<(std::ostream& out, const CText& text);
