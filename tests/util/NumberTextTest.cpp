#include "util/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <optional>

namespace kel {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(FieldOfTest, CutsAtEachSeparatorCountingFromOne) {
  EXPECT_EQ(FieldOf("a,,b", 1, ","), "a");
  EXPECT_EQ(FieldOf("a,,b", 2, ","), "");
  EXPECT_EQ(FieldOf("a,,b", 3, ","), "b");
  EXPECT_EQ(FieldOf("12", 2, ","), "");
  EXPECT_EQ(FieldOf(",5", 1, ","), "");
  EXPECT_EQ(FieldOf("3,", 2, ","), "");
  EXPECT_EQ(FieldOf("a,b", 0, ","), "");
  EXPECT_EQ(FieldOf("a,b", -1, ","), "");
  EXPECT_EQ(FieldOf("ab\r\ncd\ref", 2, "\r\n"), "cd\ref");
  EXPECT_EQ(FieldOf("ABC", 2, "b"), "") << "the search must not fold case";
}

TEST(NormalizeNumberTest, FirstCommaBecomesAPointAndASecondOneEndsTheText) {
  const struct {
    const char* input;
    const char* normalised;
    double value;
  } cases[] = {{"1,5", "1.5", 1.5},   {"1.5", "1.5", 1.5},
               {"12", "12", 12},      {"", "", 0},
               {",5", ".5", 0.5},     {"3,", "3.", 3},
               {"1,2,3", "1.2", 1.2}, {"1.234,5", "1.234.5", 1.234}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(NormalizeNumber(c.input), c.normalised);
    EXPECT_DOUBLE_EQ(ReadNumber(c.input), c.value);
  }
}

TEST(NumberValueTest, ReadsTheLeadingNumberSkippingBlanks) {
  EXPECT_DOUBLE_EQ(NumberValue("50 Hz"), 50);
  EXPECT_DOUBLE_EQ(NumberValue("2 30"), 230);
  EXPECT_DOUBLE_EQ(NumberValue(" \t\n- 12\t.\n5"), -12.5);
  EXPECT_DOUBLE_EQ(NumberValue("1.2.3"), 1.2);
  EXPECT_DOUBLE_EQ(NumberValue("1,5"), 1) << "a comma is not a decimal point";
  EXPECT_DOUBLE_EQ(NumberValue("-1.5E2"), -150);
  EXPECT_DOUBLE_EQ(NumberValue("1.5d-2"), 0.015);
  EXPECT_DOUBLE_EQ(NumberValue("+25 e+ 1"), 250);
  EXPECT_DOUBLE_EQ(NumberValue("5E"), 5) << "an exponent letter without digits ends the number";
  EXPECT_DOUBLE_EQ(NumberValue("5D-x"), 5);
  for (const char* text : {"", "abc", "-", ".", "E5", "+-5", "\r5", "-0.00"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(NumberValue(text), 0.0);
    EXPECT_FALSE(std::signbit(NumberValue(text)));
  }
}

TEST(PartlyReadNumberTest, TellsATextOfWhichOnlyTheBeginningIsRead) {
  struct Case {
    const char* text;
    std::optional<double> value;  // none: wholly a number, blank, or no number at all
  };
  for (const Case& c : std::initializer_list<Case>{{"6O", 6},
                                                   {"2x1,6", 2},
                                                   {"8.388.33", 8.388},
                                                   {"8.338.5", 8.338},
                                                   {"4,5,6", 4.5},
                                                   {"5E", 5},
                                                   {"50 Hz", 50},
                                                   {"60", std::nullopt},
                                                   {" 1,5 ", std::nullopt},
                                                   {"2 30", std::nullopt},
                                                   {"1E3", std::nullopt},
                                                   {"-2.5d-1", std::nullopt},
                                                   {".5", std::nullopt},
                                                   {"", std::nullopt},
                                                   {"abc", std::nullopt},
                                                   {"-", std::nullopt}}) {
    EXPECT_EQ(PartlyReadNumber(c.text), c.value) << c.text;
  }
  EXPECT_EQ(PartlyReadNote("8.388.33", ','), "« 8.388.33 » est lu 8,388");
  EXPECT_EQ(PartlyReadNote("60", ','), "");
}

TEST(NumberValueTest, ExtremeExponentsSaturate) {
  EXPECT_EQ(NumberValue("1E400"), kInf);
  EXPECT_EQ(NumberValue("-1E99999999999999999999999"), -kInf);
  EXPECT_EQ(NumberValue("1E-99999999999999999999999"), 0.0);
  EXPECT_EQ(NumberValue("0E99999"), 0.0);
  EXPECT_DOUBLE_EQ(NumberValue("1" + std::string(300, '0') + "E-300"), 1);
  EXPECT_DOUBLE_EQ(NumberValue("0.0001E4"), 1);
}

TEST(FormatMaskTest, RoundsHalfAwayFromZeroOnTheFifteenDigitText) {
  EXPECT_EQ(FormatMask(0.435, "#0.##", ','), "0,44");
  EXPECT_EQ(FormatMask(0.125, "0.##", ','), "0,13");
  EXPECT_EQ(FormatMask(-0.125, "0.##", ','), "-0,13");
  EXPECT_EQ(FormatMask(2.675, "#0.##", ','), "2,68");
  EXPECT_EQ(FormatMask(-2.5, "##0", ','), "-3");
  EXPECT_EQ(FormatMask(9.996, "#0.##", ','), "10,");
  EXPECT_EQ(FormatMask(999.96, "###.#", ','), "1000,");
  EXPECT_EQ(FormatMask(0.1 + 0.2, "#0.##", '.'), "0.3");
}

TEST(FormatMaskTest, HashPlacesOnlyWhenSignificantZeroPlacesAlways) {
  EXPECT_EQ(FormatMask(100, "###.##", ','), "100,");
  EXPECT_EQ(FormatMask(0.5, "#.##", ','), ",5");
  EXPECT_EQ(FormatMask(0, "####", ','), "");
  EXPECT_EQ(FormatMask(0.4, "####", ','), "");
  EXPECT_EQ(FormatMask(0, "#0.##", ','), "0,");
  EXPECT_EQ(FormatMask(2, "#0.00", ','), "2,00");
  EXPECT_EQ(FormatMask(3, "#0.0#", ','), "3,0");
  EXPECT_EQ(FormatMask(7, "000", ','), "007");
  EXPECT_EQ(FormatMask(12345.6, "##.#", ','), "12345,6");
  EXPECT_EQ(FormatMask(1e20, "####", ','), "100000000000000000000");
}

TEST(FormatMaskTest, MinusOnlyWhenTheShownValueIsNotZero) {
  EXPECT_EQ(FormatMask(-0.5, "#.##", ','), "-,5");
  EXPECT_EQ(FormatMask(-0.004, "#0.##", ','), "0,");
  EXPECT_EQ(FormatMask(-0.4, "####", ','), "");
  EXPECT_EQ(FormatMask(-0.0, "#0.00", ','), "0,00");
  // A value no field can hold is written as nothing, never as "Inf" or "NaN".
  for (const double odd : {std::nan(""), kInf, -kInf}) {
    EXPECT_EQ(FormatMask(odd, "#0.##", ','), "");
    EXPECT_EQ(PlainNumber(odd, ','), "");
  }
}

TEST(PlainNumberTest, OrdinaryDecimalTextThatReadsBack) {
  EXPECT_EQ(PlainNumber(20, ','), "20");
  EXPECT_EQ(PlainNumber(-19.8, ','), "-19,8");
  EXPECT_EQ(PlainNumber(0.1 + 0.2, ','), "0,3");
  EXPECT_EQ(PlainNumber(-0.0, ','), "0");
  EXPECT_EQ(PlainNumber(123456789012345.0, ','), "123456789012345");
  EXPECT_EQ(PlainNumber(0.00001, ','), "0,00001");
  EXPECT_EQ(PlainNumberForQuery(12.75), "12.75");
  for (const double value : {1.0 / 3.0, 1e20, -2.5e-9, 1.5e300}) {
    SCOPED_TRACE(value);
    EXPECT_NEAR(ReadNumber(PlainNumber(value, ',')) / value, 1.0, 1e-14);
  }
}

TEST(PlainNumberTest, SingleGivesTheShortestTextOfTheSameFloat) {
  EXPECT_EQ(PlainSingle(19.8f, ','), "19,8");
  EXPECT_EQ(PlainSingle(0.1f, '.'), "0.1");
  EXPECT_EQ(PlainSingle(16777216.0f, ','), "16777216");
  for (const float value : {19.8f, -0.35f, 1.0f / 3.0f, 123456.7f, 1e-4f, 7.7e7f}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(static_cast<float>(ReadNumber(PlainSingle(value, ','))), value);
  }
}

TEST(DecimalSeparatorTest, FromLocaleNameOrElseItsLanguage) {
  EXPECT_EQ(DecimalSeparatorForLocaleName("fr_FR.UTF-8"), ',');
  EXPECT_EQ(DecimalSeparatorForLocaleName("de_DE"), ',');
  EXPECT_EQ(DecimalSeparatorForLocaleName("en_US.UTF-8"), '.');
  EXPECT_EQ(DecimalSeparatorForLocaleName("C"), '.');
  EXPECT_EQ(DecimalSeparatorForLocaleName("C.UTF-8"), '.');
  // A language that merely starts with C is no C locale.
  EXPECT_EQ(DecimalSeparatorForLocaleName("CA_ZZ"), ',');
  EXPECT_EQ(DecimalSeparatorForLocaleName(""), '.');
  // No system has these countries, so only the language can answer.
  EXPECT_EQ(DecimalSeparatorForLocaleName("FR_ZZ"), ',');
  EXPECT_EQ(DecimalSeparatorForLocaleName("ru_ZZ@x"), ',');
  EXPECT_EQ(DecimalSeparatorForLocaleName("ja_ZZ.UTF-8"), '.');
}

TEST(DecimalSeparatorTest, FirstNonEmptyVariableNamesTheLocale) {
  const char* names[] = {"LC_ALL", "LC_NUMERIC", "LANG"};
  std::string saved[3];
  bool was_set[3];
  for (int i = 0; i < 3; ++i) {
    const char* value = std::getenv(names[i]);
    was_set[i] = value != nullptr;
    saved[i] = was_set[i] ? value : "";
  }
  const auto with = [&](const char* all, const char* numeric, const char* lang) {
    setenv("LC_ALL", all, 1);
    setenv("LC_NUMERIC", numeric, 1);
    setenv("LANG", lang, 1);
    return LocaleDecimalSeparator();
  };
  EXPECT_EQ(with("C", "fr_FR.UTF-8", "fr_FR.UTF-8"), '.');
  EXPECT_EQ(with("", "fr_FR.UTF-8", "en_US.UTF-8"), ',');
  EXPECT_EQ(with("", "", "de_DE.UTF-8"), ',');
  EXPECT_EQ(with("", "", ""), '.');
  for (int i = 0; i < 3; ++i) {
    was_set[i] ? setenv(names[i], saved[i].c_str(), 1) : unsetenv(names[i]);
  }
}

}  // namespace
}  // namespace kel
