// platform/decimal.h -- a decimal number's text to a double, correctly rounded, in whatever way the
// platform's library offers (std::from_chars on the desktop; the browser's C++ library has no floating
// from_chars, so strtod there).
#pragma once

enum class DecimalResult {
    Ok,         // *value holds the number
    OutOfRange, // too large or too small for a double; *value unchanged
    Invalid,    // not all of [first, last) is one decimal number; *value unchanged
};

// Reads [first, last): digits with an optional point, an optional exponent (e or E, a sign,
// digits), no sign in front, no spaces.
DecimalResult ReadDecimal(const char* first, const char* last, double* value);
