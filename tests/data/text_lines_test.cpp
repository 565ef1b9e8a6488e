// How package text is cut into lines: members made on Windows end their lines with CR LF,
// those written by Linux editors with LF, and some old tools with a lone CR.
#include "data/text_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(TextLines, package_lines_end_at_cr_lf_a_lone_cr_or_a_lone_lf) {
  const struct {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"a\r\nb", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\r\n\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\n", {"a"}},
      {"a\r", {"a"}},
      {"a\n", {"a"}},
      {"a\n\n", {"a", ""}},
      {"\r\n", {""}},
      {"", {}},
      {"a\x1A\nb\x1A\x1A"
       "c",
       {"a", "bc"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SplitPackageLines(c.text), c.lines) << testing::PrintToString(c.text);
}
