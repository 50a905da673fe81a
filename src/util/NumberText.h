#pragma once
// Reading numbers from field texts and writing them back through display masks.
//
// Field texts may carry a decimal comma (typed by the user or written by a mask under French
// settings); reading always goes NormalizeNumber then NumberValue. Writing goes through a
// display mask with the user's decimal separator, passed in by the caller.

#include <optional>
#include <string>
#include <string_view>

namespace kel {

// The n-th field (counting from 1) of text cut at each occurrence of separator; empty when
// there is no such field or n < 1. The separator must not be empty.
std::string FieldOf(std::string_view text, int n, std::string_view separator);

// Turns the first comma into a point and drops a second comma with all that follows it.
std::string NormalizeNumber(std::string_view text);

// Value of the number at the start of text (point as decimal point, blanks skipped, optional
// exponent E or D); 0 when there is none.
double NumberValue(std::string_view text);

// NormalizeNumber then NumberValue: how every field and label of the design sheet is read.
inline double ReadNumber(std::string_view text) {
  return NumberValue(NormalizeNumber(text));
}

// The value ReadNumber gives a text of which only the beginning is a number ("6O", "2x1,6",
// "8.388.33", "4,5,6", "50 Hz"); none when the text is wholly one number, blank, or starts with
// no number at all. The reading itself never changes: this only tells the user.
std::optional<double> PartlyReadNumber(std::string_view text);

// "« 6O » est lu 6" for such a text, with decimal_separator in the value; empty otherwise.
std::string PartlyReadNote(std::string_view text, char decimal_separator);

// Formats value through a display mask such as "#0.##", "####" or "##0", with decimal_separator
// in place of the mask's point. Rounds half away from zero on the value's 15-significant-digit
// decimal text.
std::string FormatMask(double value, std::string_view mask, char decimal_separator);

// Ordinary decimal text of value with up to 15 significant digits and the given separator.
std::string PlainNumber(double value, char decimal_separator);

// PlainNumber with a point, as query texts need it whatever the user's settings.
inline std::string PlainNumberForQuery(double value) {
  return PlainNumber(value, '.');
}

// Shortest decimal text that reads back as exactly this single-precision value (19.8, not
// 19.7999992370605), with the given separator.
std::string PlainSingle(float value, char decimal_separator);

// Decimal separator of the user's numeric locale, from LC_ALL, LC_NUMERIC or LANG as the
// environment sets them; a comma under fr_FR. Determined by the caller once at start-up and
// passed down.
char LocaleDecimalSeparator();

// Decimal separator of the named numeric locale ("fr_FR.UTF-8", "de_CH", "C"). Asks the system
// when the locale is installed, else goes by the language code.
char DecimalSeparatorForLocaleName(std::string_view locale_name);

}  // namespace kel
