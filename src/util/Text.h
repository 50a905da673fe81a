#pragma once
// Text as the program exchanges it: UTF-8 inside, Windows-1252 in old files, and the two ways of
// ignoring case that the program uses. Every layer takes these from here, so that a catalogue
// tool and the core-selection step can never disagree on which two texts are the same.

#include <string>
#include <string_view>

namespace kel {

// Length of the well-formed UTF-8 sequence at text[at] (overlong forms, surrogates and code
// points above U+10FFFF rejected), or 0 when there is none.
std::size_t Utf8Length(std::string_view text, std::size_t at);

// The code point of the well-formed sequence of the given length at text[at].
char32_t Utf8CodePoint(std::string_view text, std::size_t at, std::size_t length);

bool IsValidUtf8(std::string_view text);

// text with every byte that starts no well-formed UTF-8 sequence replaced by U+FFFD, so that a
// catalogue's or a document's stray byte cannot make a JSON or XML output unreadable.
std::string ValidUtf8(std::string_view text);

// Appends code (any code point up to U+10FFFF) in UTF-8.
void AppendUtf8(std::string& out, char32_t code);

// UTF-16 code units in UTF-8; half a surrogate pair becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);

// The code point of a Windows-1252 byte. The five bytes the code page leaves undefined stand for
// the control characters of the same number, so that no byte of an old file is lost on its way
// through a read and a write.
char32_t Cp1252CodePoint(unsigned char byte);

// The Windows-1252 byte of code, or -1 when the code page has none.
int Cp1252Byte(char32_t code);

// Windows-1252 bytes in UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);

// text without the blanks (spaces and tabs) around it, as the documents, the catalogue files and
// the check's options read every value.
std::string_view Trim(std::string_view text);

// ASCII letters only: section, key and column names, which are plain ASCII.
char AsciiLower(char c);
std::string AsciiLower(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);

// Upper case as a core reference is compared: the ASCII letters and the accented Latin-1 letters
// (à..þ but ÷, in UTF-8). The core-selection step looks a reference up in this form.
std::string UpperCase(std::string_view text);

// The same rule folded towards lower case, as the catalogue's NOCASE collation compares: two
// references are the same core exactly when their UpperCase forms are equal. Folding to lower
// case keeps ASCII references in the order of SQLite's own NOCASE, so that an index a catalogue
// file already holds on such a column stays usable.
std::string FoldReference(std::string_view text);

}  // namespace kel
