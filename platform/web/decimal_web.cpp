// platform/web/decimal_web.cpp -- ReadDecimal over strtod (the browser's libc++ has no floating from_chars).
#include "platform/decimal.h"

#include <cerrno>
#include <cstdlib>
#include <string>

DecimalResult ReadDecimal(const char* first, const char* last, double* value)
{
    // strtod wants a terminated string; the text is one number, short.
    const std::string text(first, last);
    char* end = nullptr;
    errno = 0;
    const double d = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return DecimalResult::Invalid;
    if (errno == ERANGE) return DecimalResult::OutOfRange;
    *value = d;
    return DecimalResult::Ok;
}
