#include "datev/CKneScanner.h"

#include <climits>

bool CKneScanner::Take(char tag) {
    if (AtEnd() || data[pos] != tag) return false;
    ++pos;
    return true;
}

bool CKneScanner::SeekTo(char c) {
    size_t at = data.find(c, pos);
    pos = at == std::string_view::npos ? data.size() : at;
    return !AtEnd();
}

bool CKneScanner::SkipPast(char c) {
    if (!SeekTo(c)) return false;
    ++pos;
    return true;
}

std::string_view CKneScanner::NumberText(size_t max) {
    size_t start = pos;
    while (pos < data.size() && pos - start < max) {
        char c = data[pos];
        if (c != ' ' && c != '+' && c != '-' && (c < '0' || c > '9')) break;
        ++pos;
    }
    return data.substr(start, pos - start);
}

bool CKneScanner::Text(std::string_view& out, char end) {
    size_t at = data.find(end, pos);
    if (at == std::string_view::npos) {
        pos = data.size();
        return false;
    }
    out = data.substr(pos, at - pos);
    pos = at + 1;
    return true;
}

CKneScanner::ENumber CKneScanner::ParseNumber(std::string_view text, long long& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    unsigned long long magnitude = 0;
    const unsigned long long limit = negative ? 0ULL - static_cast<unsigned long long>(LLONG_MIN) : LLONG_MAX;
    // Eighteen digits always fit; only the steps beyond them are checked.
    for (const size_t first = i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (i - first >= 18 && magnitude > (limit - digit) / 10) return ENumber::TooLarge;
        magnitude = magnitude * 10 + digit;
    }
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i < text.size()) return ENumber::Malformed;
    value = negative ? static_cast<long long>(0ULL - magnitude) : static_cast<long long>(magnitude);
    return ENumber::Ok;
}
