// The text module: Windows-1252, UTF-8 and the two ways of ignoring case.

#include "util/Text.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

TEST(Cp1252, EveryByteComesBackAndTheHighRowIsTheCodePages) {
  for (int byte = 0; byte < 256; ++byte) {
    EXPECT_EQ(Cp1252Byte(Cp1252CodePoint(static_cast<unsigned char>(byte))), byte) << byte;
  }
  EXPECT_EQ(Cp1252ToUtf8("\x80\x8A\x92\x9F\xE9\xFF"), "€Š’Ÿéÿ");
  EXPECT_EQ(Cp1252Byte(U'œ'), 0x9C);
  EXPECT_EQ(Cp1252Byte(U'Ā'), -1);
}

TEST(Utf8, MalformedSequencesHaveNoLength) {
  struct Case {
    const char* bytes;
    std::size_t length;
  };
  for (const Case& c : {Case{"a", 1}, Case{"é", 2}, Case{"€", 3}, Case{"\xF0\x9F\x98\x80", 4},
                        Case{"\xC0\x80", 0}, Case{"\xE0\x80\x80", 0}, Case{"\xED\xA0\x80", 0},
                        Case{"\xF4\x90\x80\x80", 0}, Case{"\xE2\x82", 0}, Case{"\x80", 0}}) {
    EXPECT_EQ(Utf8Length(c.bytes, 0), c.length) << c.bytes;
  }
  EXPECT_TRUE(IsValidUtf8("tôle €"));
  EXPECT_FALSE(IsValidUtf8("t\xF4le"));
}

TEST(Utf8, EncodesEveryPlaneAndDecodesBack) {
  for (const char32_t code : {U'A', U'é', U'€', U'\U0001F600', U'\U0010FFFF'}) {
    std::string text;
    AppendUtf8(text, code);
    ASSERT_EQ(Utf8Length(text, 0), text.size());
    EXPECT_EQ(Utf8CodePoint(text, 0, text.size()), code);
  }
  EXPECT_EQ(Utf16ToUtf8(u"é\U0001F600"), "é\U0001F600");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\uFFFD");
}

// The look-up upper-cases a reference and the catalogue folds to lower case: they must call the
// same pairs of characters equal, or the tool and the core selection would disagree.
TEST(ReferenceCase, UpperCaseAndFoldAgreeOnEveryLatin1Pair) {
  std::vector<std::string> characters;
  for (int c = 0x20; c < 0x7F; ++c) characters.emplace_back(1, static_cast<char>(c));
  for (int second = 0x80; second < 0xC0; ++second) {
    characters.push_back({'\xC3', static_cast<char>(second)});
  }
  for (const auto& a : characters) {
    for (const auto& b : characters) {
      EXPECT_EQ(UpperCase(a) == UpperCase(b), FoldReference(a) == FoldReference(b)) << a << b;
    }
  }
  EXPECT_EQ(UpperCase("étoile o'neil ×÷ßÿ"), "ÉTOILE O'NEIL ×÷ßÿ");
  EXPECT_EQ(FoldReference("ÉTOILE"), "étoile");
  EXPECT_TRUE(EqualNoCase("DataBase", "DATABASE"));
  EXPECT_FALSE(EqualNoCase("É", "é")) << "names compare in ASCII only";
}

}  // namespace
}  // namespace kel
