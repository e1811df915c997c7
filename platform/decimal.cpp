// platform/decimal.cpp -- ReadDecimal over std::from_chars.
#include "decimal.h"

#include <charconv>

DecimalResult ReadDecimal(const char* first, const char* last, double* value)
{
    double d = 0.0;
    const auto result = std::from_chars(first, last, d, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) return DecimalResult::OutOfRange;
    if (result.ec != std::errc() || result.ptr != last) return DecimalResult::Invalid;
    *value = d;
    return DecimalResult::Ok;
}
