#pragma once
// The one way numbers are read from and written to text: record values, the session's state boxes.
#include <string>
#include <string_view>

namespace tembrel {

// The numeric value of a text: surrounding spaces, an optional sign, digits, and an optional
// fraction after the user's decimal separator. Anything else, the empty text included, throws
// TypeMismatch.
double NumericValue(std::string_view text, std::string_view decimalSeparator);

// The same for a number that was written earlier (a record value, a state text), perhaps before
// the user changed the decimal separator: "." and "," are taken as the decimal separator too. No
// number is written with a thousands separator, so neither can stand for one.
double StoredNumericValue(std::string_view text, std::string_view decimalSeparator);

// The whole number of a text the program wrote for itself (the journal, the usage history): read
// as NumericValue reads it with "." as the separator. A fraction or anything else throws
// TypeMismatch; beyond +-2^53, ArithmeticOverflow.
long long WholeNumber(std::string_view text);

// The largest whole number not above the value. Throws ArithmeticOverflow outside +-2^53.
long long WholePart(double value);

// Plain decimal text: "120", "-5", "5.5" (with the given decimal separator); no exponent, no
// thousands separator, no leading space.
std::string NumberText(double value, std::string_view decimalSeparator);
std::string NumberText(long long value);

} // namespace tembrel
