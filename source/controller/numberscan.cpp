#include "controller/numberscan.h"

#include <charconv>
#include <cmath>
#include <cstddef>

namespace Kestrum
{

namespace
{

constexpr std::size_t kMaxTextUnits = 128;

enum class ScanResult
{
    kNoNumber,
    kNumber,
    kOutOfRange,
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A decimal number starting exactly at first: an optional sign, then digits
// with an optional point and exponent. Independent of the C locale, which a
// host may have switched to a decimal comma.
ScanResult readDecimal(const char* first, const char* last, double& value)
{
    const char* p = first;
    bool negative = false;
    if (p != last && (*p == '+' || *p == '-'))
    {
        negative = *p == '-';
        ++p;
    }
    const bool startsNumber =
        p != last && (isDigit(*p) || (*p == '.' && p + 1 != last && isDigit(p[1])));
    if (!startsNumber)
        return ScanResult::kNoNumber;

    double magnitude = 0.0;
    const auto [end, error] = std::from_chars(p, last, magnitude, std::chars_format::general);
    if (error == std::errc::result_out_of_range)
        return ScanResult::kOutOfRange;
    if (error != std::errc() || end == p || !std::isfinite(magnitude))
        return ScanResult::kNoNumber;
    value = negative ? -magnitude : magnitude;
    return ScanResult::kNumber;
}

} // namespace

bool scanNumber(const Steinberg::Vst::TChar* text, double& value)
{
    if (!text)
        return false;

    // Only ASCII can be part of a number; everything else becomes a
    // character that ends one.
    char narrow[kMaxTextUnits];
    std::size_t length = 0;
    bool commaReplaced = false;
    for (; length < kMaxTextUnits && text[length] != 0; ++length)
    {
        const auto unit = text[length];
        char c = unit < 0x80 ? static_cast<char>(unit) : '?';
        if (c == ',' && !commaReplaced)
        {
            c = '.';
            commaReplaced = true;
        }
        narrow[length] = c;
    }

    const char* const last = narrow + length;
    for (const char* start = narrow; start != last; ++start)
    {
        double number = 0.0;
        switch (readDecimal(start, last, number))
        {
        case ScanResult::kNumber:
            value = number;
            return true;
        case ScanResult::kOutOfRange:
            return false;
        case ScanResult::kNoNumber:
            break;
        }
    }
    return false;
}

} // namespace Kestrum
