#include "core/CText.h"

#include <limits>
#include <ostream>
#include <stdexcept>

void CText::Assign(std::string_view text) {
    // The text may lie inside this one: it is copied before the old storage goes.
    if (text.size() <= kInline) {
        char fresh[sizeof bytes];
        std::memcpy(fresh, text.data(), text.size());
        fresh[text.size()] = '\0';
        fresh[kInline] = static_cast<char>(kInline - text.size());
        Release();
        std::memcpy(bytes, fresh, sizeof bytes);
        return;
    }
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) throw std::length_error("CText");
    char* pointer = new char[text.size() + 1];
    std::memcpy(pointer, text.data(), text.size());
    pointer[text.size()] = '\0';
    const auto length = static_cast<std::uint32_t>(text.size());
    Release();
    Point(pointer, length, kLargeTag);
}

std::ostream& operator<<(std::ostream& out, const CText& text) {
    return out << text.View();
}
