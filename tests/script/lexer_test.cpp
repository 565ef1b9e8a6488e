// The script lexer: token kinds, texts and positions of whole sources, its four errors, the
// keyword table, the name hash and the values the compiler takes from literal texts.
#include "script/lexer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

using namespace std::string_literals;

namespace {

// "kind [token text[/written text]] row:col"; the written text only where it differs.
std::string Describe(const TPSPascalParser& p) {
  std::string out = std::to_string(p.TokenKind());
  if (!p.TokenText().empty()) out += " " + p.TokenText();
  if (p.OriginalText() != p.TokenText()) out += "/" + p.OriginalText();
  return out + " " + std::to_string(p.Row()) + ":" + std::to_string(p.Col());
}

// Every token of source up to the end of text, separated by " | "; an error shows as
// "errorN" before the end-of-text token it leaves.
std::string Tokens(const std::string& source, bool reportAll = false) {
  std::string out;
  TPSPascalParser p;
  p.SetReportComments(reportAll);
  p.SetReportWhiteSpace(reportAll);
  p.SetOnParserError([&out](TPSPascalParser&, TPSParserError error) {
    out += "error" + std::to_string(static_cast<int>(error)) + " ";
  });
  p.SetText(source);
  for (int n = 0; n < 100 && p.TokenKind() != tkEndOfText; ++n) {
    out += Describe(p) + " | ";
    p.Next();
  }
  std::string last = Describe(p);
  // Next at the end of text, also the one an error leaves, stays there without a new error.
  p.Next();
  p.Next();
  return out + last + (Describe(p) == last ? "" : " | moved to " + Describe(p));
}

}  // namespace

TEST(Lexer, sources_read_as_token_kinds_texts_and_positions) {
  const std::pair<std::string, std::string> cases[] = {
      {"begin BEGIN Begin Begin_1 _x9 end",
       "33 1:1 | 33 1:7 | 33 1:13 | 3 BEGIN_1/Begin_1 1:19 | 3 _X9/_x9 1:27 | 40 1:31 | 0 1:34"},
      {"1..10 1.5e-3 1e 1. 2.x 3E+5 7.5.2 $1aF $ 0",
       "23 1 1:1 | 30 1:2 | 23 10 1:4 | 24 1.5e-3 1:7 | 23 1 1:14 | 3 E/e 1:15 | 24 1. 1:17 | "
       "24 2. 1:20 | 3 X/x 1:22 | 24 3E+5 1:24 | 24 7.5 1:29 | 6 1:32 | 23 2 1:33 | "
       "27 $1aF 1:35 | 27 $ 1:40 | 23 0 1:42 | 0 1:43"},
      {"4e+x", "23 4 1:1 | 3 E/e 1:2 | 19 1:3 | 3 X/x 1:4 | 0 1:5"},
      {"'it''s' 'a'#13#10'b' #$41#$e9 ''",
       "25 'it''s' 1:1 | 25 'a' 1:9 | 26 #13 1:12 | 26 #10 1:15 | 25 'b' 1:18 | "
       "26 #$41 1:22 | 26 #$e9 1:26 | 25 '' 1:31 | 0 1:33"},
      {"#$41G", "26 #$41 1:1 | 3 G 1:5 | 0 1:6"},
      {"; , . : ( ) [ ] := = <> > >= < <= + - / * @ ^ ..",
       "4 1:1 | 5 1:3 | 6 1:5 | 7 1:7 | 8 1:9 | 9 1:11 | 10 1:13 | 11 1:15 | 12 1:17 | "
       "13 1:20 | 14 1:22 | 15 1:25 | 16 1:27 | 17 1:30 | 18 1:32 | 19 1:35 | 20 1:37 | "
       "21 1:39 | 22 1:41 | 28 1:43 | 29 1:45 | 30 1:47 | 0 1:49"},
      {"(a*b)/c..d",
       "8 1:1 | 3 A/a 1:2 | 22 1:3 | 3 B/b 1:4 | 9 1:5 | 21 1:6 | 3 C/c 1:7 | 30 1:8 | "
       "3 D/d 1:10 | 0 1:11"},
      {"a\rb\r\nc\nd\n\re", "3 A/a 1:1 | 3 B/b 2:1 | 3 C/c 3:1 | 3 D/d 4:1 | 3 E/e 6:1 | 0 6:2"},
      {"{ one\r\n two } x", "3 X/x 2:8 | 0 2:9"},
      {"(* a\rb *)x // note\r\ny", "3 X/x 2:5 | 3 Y/y 3:1 | 0 3:2"},
      {"a\0b"s, "3 A/a 1:1 | 0 1:2"},
      {"", "0 1:1"},
  };
  for (const auto& [source, tokens] : cases)
    EXPECT_EQ(Tokens(source), tokens) << testing::PrintToString(source);
}

TEST(Lexer, comments_and_white_space_are_tokens_when_reported) {
  const std::pair<std::string, std::string> cases[] = {
      {"a // note\r\nb", "3 A/a 1:1 | 2 1:2 | 1 1:3 | 2 1:10 | 3 B/b 2:1 | 0 2:2"},
      {"{x}\t(*y*)", "1 1:1 | 2 1:4 | 1 1:5 | 0 1:10"},
      {"{\n}//", "1 1:1 | 1 2:2 | 0 2:4"},
  };
  for (const auto& [source, tokens] : cases)
    EXPECT_EQ(Tokens(source, true), tokens) << testing::PrintToString(source);
}

TEST(Lexer, a_lexical_error_ends_the_text_where_the_bad_token_starts) {
  const std::pair<std::string, std::string> cases[] = {
      {"{ open", "error1 0 1:1"},
      {"x\r\n(* open *", "3 X/x 1:1 | error1 0 2:1"},
      {"(*)", "error1 0 1:1"},
      {"x := 'abc\r\n'", "3 X/x 1:1 | 12 1:3 | error2 0 1:6"},
      {"'abc", "error2 0 1:1"},
      {"#65A", "error3 0 1:1"},
      {"#_", "error3 0 1:1"},
      {"a \\ b", "3 A/a 1:1 | error4 0 1:3"},
      {"}", "error4 0 1:1"},
      {"\"x\"", "error4 0 1:1"},
      {"a\xE9", "3 A/a 1:1 | error4 0 1:2"},
  };
  for (const auto& [source, tokens] : cases)
    EXPECT_EQ(Tokens(source), tokens) << testing::PrintToString(source);
}

TEST(Lexer, every_keyword_reads_as_its_kind_in_any_case) {
  // The 65 reserved words in the order of their kinds, 31 to 95.
  const std::string words =
      "and Array BEGIN case const div do downto else end for function if in mod not of or "
      "procedure program repeat record set shl shr then to type until uses var while with "
      "xor exit class constructor destructor inherited private public published protected "
      "property virtual override as is unit try except finally external forward export "
      "label goto chr ord interface implementation initialization finalization out nil";
  std::string kinds;
  TPSPascalParser p;
  for (p.SetText(words); p.TokenKind() != tkEndOfText; p.Next())
    kinds += std::to_string(p.TokenKind()) + " ";
  std::string expected;
  for (int kind = tkAnd; kind <= tkNil; ++kind)
    expected += std::to_string(kind) + " ";
  EXPECT_EQ(kinds, expected);
  EXPECT_EQ(PSKeywords().size(), 65u);
  for (const char* word : {"", "A", "ENDS", "BEGIN_", "XORX", "ZZZ"})
    EXPECT_EQ(PSKeywordKind(word), tkIdentifier) << word;
}

TEST(Lexer, name_hash_rotates_by_seven_bits_and_adds_each_byte) {
  const std::pair<std::string, uint32_t> cases[] = {
      {"", 0},
      {"A", 65},
      {"AB", (65 << 7) + 66},
      {"ABC", (((65 << 7) + 66) << 7) + 67},
      {"SETINT", 0x5A9269F0},  // rotated past bit 31 from the fifth byte on
  };
  for (const auto& [name, hash] : cases)
    EXPECT_EQ(PSNameHash(name), hash) << name;
}

TEST(Lexer, literal_texts_give_the_values_the_compiler_uses) {
  using enum TPSIntegerLiteralType;
  const std::pair<std::string, std::pair<int64_t, TPSIntegerLiteralType>> integers[] = {
      {"0", {0, LongInt}},
      {"2147483647", {2147483647, LongInt}},
      {"2147483648", {2147483648, LongWord}},
      {"$ffffffff", {4294967295, LongWord}},
      {"4294967296", {4294967296, Int64}},
      {"$7FFFFFFFFFFFFFFF", {INT64_MAX, Int64}},
      {"9223372036854775808", {0, LongInt}},
      {"$10000000000000000", {0, LongInt}},
      {"$", {0, LongInt}},
  };
  for (const auto& [text, value] : integers) {
    int64_t v = PSIntegerLiteralValue(text);
    EXPECT_EQ(std::pair(v, PSIntegerLiteralType(v)), value) << text;
  }
  const std::pair<std::string, long double> reals[] = {
      {"1.5e-3", 1.5e-3L}, {"1.", 1.0L},           {"0.1", 0.1L},
      {"3E+5", 3e5L},      {"1e99999", HUGE_VALL}, {"inf", 0},
  };
  for (const auto& [text, value] : reals)
    EXPECT_EQ(PSRealLiteralValue(text), value) << text;
  const std::pair<std::string, std::string> strings[] = {
      {"'it''s'", "it's"}, {"''", ""}, {"''''", "'"}, {"'a b'", "a b"}};
  for (const auto& [text, value] : strings)
    EXPECT_EQ(PSStringLiteralValue(text), value) << text;
  const std::pair<std::string, uint32_t> codes[] = {{"#65", 65},
                                                    {"#$41", 65},
                                                    {"#$e9", 233},
                                                    {"#8364", 8364},
                                                    {"#", 0},
                                                    {"#$", 0},
                                                    {"#99999999999", 0xFFFFFFFF}};
  for (const auto& [text, value] : codes)
    EXPECT_EQ(PSCharCodeValue(text), value) << text;
}
