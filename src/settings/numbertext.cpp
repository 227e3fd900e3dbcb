#include "settings/numbertext.h"

#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tonvela {

namespace {

std::string_view trimmed(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<int> readInteger(std::string_view text) {
    std::string_view s = trimmed(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return std::nullopt;
    int value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<int> readIntegerClamped(std::string_view text) {
    if (auto v = readInteger(text)) return v;
    std::string_view s = trimmed(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    const bool negative = !s.empty() && s.front() == '-';
    if (negative) s.remove_prefix(1);
    if (s.empty()) return std::nullopt;
    for (char c : s)
        if (c < '0' || c > '9') return std::nullopt;
    return negative ? INT32_MIN : INT32_MAX;  // digits only, yet no 32-bit value: too large
}

std::optional<double> readDecimal(std::string_view text) {
    std::string s(trimmed(text));
    if (s.empty()) return std::nullopt;
    // strtod also takes hex, "inf" and "nan"; a typed decimal number is digits, sign, '.', 'e'.
    for (char c : s)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.' ||
              c == 'e' || c == 'E'))
            return std::nullopt;
    char* end = nullptr;
    double value = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string formatDecimal(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%5.2f", value);
    return buffer;
}

}  // namespace tonvela
