#pragma once
// The helpers every written output shares: text reports laid out in columns, figures with a
// fixed number of decimals, JSON strings and numbers, XML and HTML escaping.

#include <cstddef>
#include <string>
#include <string_view>

namespace kel {

// Characters on screen, counting a UTF-8 sequence as one.
std::size_t DisplayWidth(std::string_view text);

// text padded with blanks on the left (PadLeft) or right to width characters; text as it is when
// it is that wide already.
std::string PadLeft(const std::string& text, std::size_t width);
std::string PadRight(const std::string& text, std::size_t width);

// value with exactly decimals decimals and the given separator ("0,439"); "–" when it is not a
// finite number.
std::string Fixed(double value, int decimals, char decimal_separator);

// A field's number as a person writes it, from the text a display mask left (".06", "87.", "14,",
// "1.7"): a digit before the separator, none left dangling, decimal_separator in place of either
// ("0,06", "87", "14", "1,7"), the decimals the text shows kept. What follows the number ("90%")
// stays; a text that starts with no number is returned as it is.
std::string WrittenNumber(std::string_view text, char decimal_separator);

// A JSON string literal for text, quotes included.
std::string JsonString(std::string_view text);

// A JSON number: the shortest text that reads back as value; null when it is not finite.
std::string JsonNumber(double value);

// Text made safe for XML and HTML: the markup characters as entities, and the control characters
// XML 1.0 cannot hold, as well as bytes that are not UTF-8, as U+FFFD.
std::string XmlEscaped(std::string_view text);

// Text bound for a terminal, with what a terminal would obey instead of showing made visible:
// control characters, C0 and C1, as \x1b or \u009b, and bytes that are not UTF-8 as \xe9.
// Line breaks are kept only when keep_line_breaks: a catalogue's reference holding one would
// otherwise forge a line of a table.
std::string TerminalText(std::string_view text, bool keep_line_breaks = false);

}  // namespace kel
