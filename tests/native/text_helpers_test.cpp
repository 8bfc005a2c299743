#include "boxfile/text_helpers.h"

#include <gtest/gtest.h>

#include <climits>

using namespace kesto;

namespace {
const std::string Q = "\"";

struct TokenCase {
  std::string line;
  int n;
  std::string token;
};

TEST(GetToken, SplitsByTheFormatRules) {
  const TokenCase cases[] = {
      {"a b c", 1, "a"},
      {"a b c", 3, "c"},
      {"a b c", 4, ""},
      {"  a   b", 2, "b"},
      {"a\tb c", 1, "a\tb"},  // only a space ends an unquoted token
      {"a\tb c", 2, "c"},
      {Q + "a b" + Q + " c", 1, "a b"},
      {Q + "a b" + Q + " c", 2, "c"},
      {Q + "a b" + Q + "c d", 2, "c"},  // text right after a closing quote is the next token
      {Q + "a b" + Q + "c d", 3, "d"},
      {"ab" + Q + "cd ef", 1, "ab" + Q + "cd"},
      {"a " + Q + Q + " b", 2, ""},  // an empty quoted token counts
      {"a " + Q + Q + " b", 3, "b"},
      {Q + "abc", 1, "abc"},  // unterminated quote runs to the end
      {Q + "abc", 2, ""},
      {"", 1, ""},
      {"a b", 0, ""},
      {std::string("a\0b c", 5), 1, "a"},  // a zero byte ends the line
      {std::string("a\0b c", 5), 2, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetToken(c.line, static_cast<std::uint8_t>(c.n)), c.token)
        << "line '" << c.line << "' token " << c.n;
  }
}

TEST(GetTokenRest, KeepsTheRestOfTheLine) {
  EXPECT_EQ(GetTokenRest("a b c", 2), "b c");
  EXPECT_EQ(GetTokenRest(Q + "a b" + Q + " c", 1), "a b" + Q + " c");
  EXPECT_EQ(GetTokenRest("a " + Q + Q + " b", 2), "");  // empty token: empty rest
  EXPECT_EQ(GetTokenRest("a b", 3), "");
  std::string longLine = "x " + std::string(10000, 'y');
  EXPECT_EQ(GetTokenRest(longLine, 2).size(), 4096u);
}

TEST(ParseInt, ReadsEveryCharacterByItsDistanceFromZero) {
  const std::pair<std::string, std::int32_t> cases[] = {
      {"", 0},       {"-", 0},           {"-12", -12},          {"0012", 12},
      {"12-", -120}, {"1-2", -102},      {"+5", -45},           {"12 ", 104},
      {"/00", -100}, {"12px", 1912},     {"2147483648", INT_MIN}, {"4294967296", 0},
      {"7", 7},      {"-2147483648", INT_MIN},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseInt(text), value) << "'" << text << "'";
}

TEST(ParseInt, LongTextWrapsLikeThePowerRule) {
  std::string text = "1" + std::string(40, '0');  // 10^40 wraps at 32 bits
  EXPECT_EQ(ParseInt(text), PowerOf(10, 40));
  std::string digits(5000, '9');  // linear, not quadratic, and wrapping
  std::uint32_t expected = 0, power = 1;
  for (std::size_t i = 0; i < digits.size(); ++i, power *= 10u) expected += 9u * power;
  EXPECT_EQ(ParseInt(digits), static_cast<std::int32_t>(expected));
}

TEST(ParseHex, ReadsTheTrailingRunOfDigits) {
  const std::pair<std::string, std::uint32_t> cases[] = {
      {"FF8000", 0x00FF8000u}, {"#ff8000", 0x00FF8000u}, {"0x1A", 0x1Au}, {"ff 00", 0u},
      {"G1", 1u},              {"-1", 1u},                {"", 0u},        {"1FFFFFFFF", 0xFFFFFFFFu},
      {"0000FF", 0xFFu},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseHex(text), value) << "'" << text << "'";
}

TEST(FormatInt, RoundTripsThroughParseInt) {
  EXPECT_EQ(FormatInt(0), "0");
  EXPECT_EQ(FormatInt(123), "123");
  EXPECT_EQ(FormatInt(-30), "-30");
  EXPECT_EQ(FormatInt(INT_MIN), "-2147483648");
  for (std::int32_t v : {1, -1, 99, INT_MAX, INT_MIN, -1000000}) EXPECT_EQ(ParseInt(FormatInt(v)), v);
}

TEST(ParseGroupNumber, TakesTheNumberAfterTheLastHash) {
  const std::pair<std::string, std::int32_t> cases[] = {
      {"#3", 3}, {"#12H", 12}, {"#007", 7}, {"#", 0}, {"#H3", 243}, {"#1#2", 2}, {"x#5y", 5}, {"abc", 0},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseGroupNumber(text), value) << "'" << text << "'";
}

TEST(SmallHelpers, FollowTheirRules) {
  EXPECT_EQ(LastCharPos("hah", 'H'), 3);
  EXPECT_EQ(LastCharPos("abc", 'h'), 0);
  EXPECT_EQ(LastCharPos("hah", 'h'), 0);  // c itself is not upper-cased
  EXPECT_EQ(ScreenRelative(-100, 1920), 1820);
  EXPECT_EQ(ScreenRelative(0, 1920), 0);
  EXPECT_EQ(ScreenRelative(-2000, 1920), -80);
  EXPECT_EQ(MakeColor(255, 0, 255), 0x00FF00FFu);
  EXPECT_EQ(HighWord(0xFFFF0010u), 65535);
  EXPECT_EQ(UpperText("a\xe4z!"), "A\xe4Z!");
  EXPECT_TRUE(HasFlag(0x42, 0x40));
  EXPECT_FALSE(HasFlag(0x42, 0x41));
  EXPECT_TRUE(HasFlag(0, 0));
  std::uint8_t flags = 0x42;
  SetFlag(flags, 0x08, true);
  EXPECT_EQ(flags, 0x4A);
  SetFlag(flags, 0x40, false);
  EXPECT_EQ(flags, 0x0A);
}

}  // namespace
