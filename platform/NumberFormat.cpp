#include "platform/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <limits>

double RoundHalfEven(double v) {
    // nearbyint rounds in the current rounding mode, which the program never changes
    // from round-to-nearest-even.
    return std::nearbyint(v);
}

std::int32_t RoundToInt32(double v) {
    if (std::isnan(v)) return 0;
    const double r = RoundHalfEven(v);
    if (r >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (r <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

std::string FormatGeneral(double v) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    if (v == 0) return "0";  // also for -0

    // Fifteen significant digits, correctly rounded from the exact binary value.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));  // [-]d.ddde[+-]xx
    const bool negative = sci.front() == '-';
    const std::string_view body = negative ? sci.substr(1) : sci;
    const std::size_t ePos = body.find('e');
    std::string digits;
    digits += body[0];
    digits.append(body.substr(2, ePos - 2));
    std::string_view expText = body.substr(ePos + 1);
    if (!expText.empty() && expText.front() == '+') expText.remove_prefix(1);
    int exponent = 0;
    std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= 15) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += "E+";
        out += std::to_string(exponent);
    } else if (exponent >= 0) {
        const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intDigits) {
            out += digits;
            out.append(intDigits - digits.size(), '0');
        } else {
            out.append(digits, 0, intDigits);
            out += '.';
            out.append(digits, intDigits);
        }
    } else {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    }
    return out;
}

bool ParseInt32(std::string_view text, std::int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (text.size() - i >= 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    } else if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        i += 1;
    }
    if (i == text.size()) return false;
    std::uint64_t magnitude = 0;
    const char* end = text.data() + text.size();
    const auto res = std::from_chars(text.data() + i, end, magnitude, base);
    if (res.ec != std::errc() || res.ptr != end) return false;
    if (magnitude > (negative ? 2147483648ull : 2147483647ull)) return false;
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

namespace {
std::size_t SkipDigits(std::string_view text, std::size_t i) {
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i;
}
}  // namespace

bool ParseDouble(std::string_view text, double& value) {
    // Check the form ourselves: from_chars alone would also take "inf", "nan" and would
    // reject a leading "+".
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t mantissaStart = i;
    i = SkipDigits(text, i);
    std::size_t digitCount = i - mantissaStart;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionStart = ++i;
        i = SkipDigits(text, i);
        digitCount += i - fractionStart;
    }
    if (digitCount == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        const std::size_t expStart = i;
        i = SkipDigits(text, i);
        if (i == expStart) return false;
    }
    if (i != text.size()) return false;

    const char* begin = text.data() + (text.front() == '+' ? 1 : 0);
    const char* end = text.data() + text.size();
    double parsed = 0;
    const auto res = std::from_chars(begin, end, parsed, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != end) return false;
    value = parsed;
    return true;
}
