#include "data/dat_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dat_tree_text.h"

using namespace std::string_literals;

namespace {

struct ParseCase {
  const char* what;
  std::string text;
  std::string tree;
};

std::string Parsed(const std::string& text) {
  TDat dat;
  dat.LoadFromText(text);
  return TreeText(dat);
}

}  // namespace

TEST(DatFile, cleaning_quotes_comments_and_tabs) {
  const ParseCase cases[] = {
      {"quoted blank kept", CrLfLines({"Name = \"My Level\""}), "Name=My Level;"},
      {"unquoted blank dropped", CrLfLines({"Name = My Level"}), "Name=MyLevel;"},
      {"two quoted parts", CrLfLines({"V = \"a b\" \"c\""}), "V=a bc;"},
      {"slashes inside quotes", CrLfLines({"Url = \"http://x\""}), "Url=http://x;"},
      {"trailing remark", CrLfLines({"A = 5 // five"}), "A=5;"},
      {"comment line", CrLfLines({"// just a remark", "B=1"}), "B=1;"},
      {"tab inside quotes", CrLfLines({"T = \"a\tb\""}), "T=ab;"},
      {"second equals sign", CrLfLines({"E = a=b"}), "E=a=b;"},
      {"no equals sign", CrLfLines({"Key"}), "Key=;"},
      {"blank lines skipped", CrLfLines({"A=1", "", " \t ", "B=2"}), "A=1;B=2;"},
      {"NUL kept as data", CrLfLines({"A = \"x\0y\""s}), "A=x\0y;"s},
      {"lone < is a parameter", "<", "<=;"},
      {"lone [ is a parameter", "[", "[=;"},
  };
  for (const ParseCase& c : cases)
    EXPECT_EQ(Parsed(c.text), c.tree) << c.what;
}

TEST(DatFile, blocks_and_text_blocks_follow_their_closing_tags) {
  const ParseCase cases[] = {
      {"nested blocks", CrLfLines({"<Layer>", "<Polygon>", "X=1", "</Polygon>", "</Layer>", "Y=2"}),
       "Y=2;<Layer>{<Polygon>{X=1;}}"},
      {"text block verbatim",
       CrLfLines({"[S]", "  x = \"y\" // z", "", "\tq", " \t[/S] // end", "A=1"}),
       "A=1;[S]{'  x = \"y\" // z';'';'\tq';}"},
      {"other letter case opens a child",
       CrLfLines({"<Layer>", "A=1", "</layer>", "B=2", "</Layer>", "C=3"}),
       "<Layer>{A=1;</layer>{B=2;</Layer>{C=3;}}}"},
      {"blocks open at end of file", CrLfLines({"<A>", "[T]", "x"}), "<A>{[T]{'x';}}"},
      {"top-level </> ends reading", CrLfLines({"A=1", "</>", "B=2"}), "A=1;"},
      {"empty names", CrLfLines({"<>", "A=1", "</>", "B=2"}), "B=2;<>{A=1;}"},
      {"tag at end of file", "<a>", "<a>{}"},
      {"</Name> first in a text block closes it", CrLfLines({"[S]", "</S>", "A=1"}), "A=1;[S]{}"},
      {"</Name> later in a text block is a line", CrLfLines({"[S]", "x", "</S>", "[/S]"}),
       "[S]{'x';'</S>';}"},
      {"closing tag compared cleaned", CrLfLines({"< A >", "x=1", "< / A >", "y=2"}),
       "y=2;<A>{x=1;}"},
  };
  for (const ParseCase& c : cases)
    EXPECT_EQ(Parsed(c.text), c.tree) << c.what;
}

TEST(DatFile, package_text_lines_end_at_cr_lf_cr_or_lf) {
  const ParseCase cases[] = {
      {"no end after last line", "[T]\r\na\r\nb", "[T]{'a';'b';}"},
      {"no extra line after final CR LF", "[T]\r\na\r\n", "[T]{'a';}"},
      {"empty lines kept", "[T]\r\n\r\n\r\n", "[T]{'';'';}"},
      {"lone CR and lone LF end lines", "[T]\rx\ny\rz", "[T]{'x';'y';'z';}"},
      {"Ctrl-Z is dropped",
       "[T]\ra\x1A"
       "b",
       "[T]{'ab';}"},
  };
  for (const ParseCase& c : cases)
    EXPECT_EQ(Parsed(c.text), c.tree) << c.what;
}

TEST(DatFile, loading_text_appends_to_the_tree) {
  TDat dat;
  dat.LoadFromText(CrLfLines({"A=1", "<B>"}));
  dat.LoadFromText(CrLfLines({"C=2", "<B>"}));
  EXPECT_EQ(TreeText(dat), "A=1;C=2;<B>{}<B>{}");
}

TEST(DatFile, lookups_ignore_case_of_a_to_z_and_take_the_first) {
  TDat dat;
  dat.LoadFromText(CrLfLines({"CamX = 5", "camx = 6", "\xC4=latin", "<Layer>", "Inner=1",
                              "</Layer>", "<LAYER>", "</LAYER>"}));
  struct {
    const char* key;
    std::string found;  // "null" for the NullParam
  } cases[] = {{"camx", "CamX=5"},     {"CAMX", "CamX=5"}, {"\xE4", "null"},
               {"\xC4", "\xC4=latin"}, {"Inner", "null"},  {"", "null"}};
  for (const auto& c : cases) {
    const TDatParam& p = dat.Param(c.key);
    EXPECT_EQ(p.IsNull ? "null" : p.Name + "=" + p.Value, c.found) << c.key;
  }
  EXPECT_EQ(&dat.Param("Missing"), &dat.NullParam);
  EXPECT_EQ(dat.FindBlock("layer"), dat.Blocks[0].get());
  EXPECT_EQ(dat.FindBlock("Polygon"), nullptr);
}

TEST(DatFile, set_param_replaces_the_first_match_or_appends) {
  TDat dat;
  dat.LoadFromText(CrLfLines({"FullScreen = True", "Left = 1", "left = 2"}));
  dat.SetParam("LEFT", "203");
  dat.SetParam("Jump", "200");
  EXPECT_EQ(TreeText(dat), "FullScreen=True;Left=203;left=2;Jump=200;");
}

TEST(DatFile, to_text_writes_structure_and_lines_but_not_params) {
  TDat dat;
  dat.AddLine("Type = Level");
  dat.SetParam("Ignored", "1");
  TDatBlock* layer = dat.AddBlock("Layer");
  layer->AddLine("Name = \"Back\"");
  TDatBlock* script = layer->AddBlock("Script");
  script->IsText = true;
  script->AddLine("  begin");
  script->AddLine("");
  EXPECT_EQ(dat.ToText(), CrLfLines({"Type = Level", "<Layer>", "Name = \"Back\"", "[Script]",
                                     "  begin", "", "[/Script]", "</Layer>"}));
}

TEST(DatFile, params_text_writes_root_params_then_text_blocks) {
  TDat dat;
  dat.SetParam("Left", "37");
  dat.SetParam("SelPlayer", "Ann Lee");
  dat.AddLine("root lines are not written");
  dat.AddBlock("Angle")->AddLine("not written");
  TDatBlock* players = dat.AddBlock("Players");
  players->IsText = true;
  players->AddLine("Ann Lee");
  players->AddLine("Bob");
  EXPECT_EQ(dat.ParamsText(), CrLfLines({"Left = \"37\"", "SelPlayer = \"Ann Lee\"", "[Players]",
                                         "Ann Lee", "Bob", "[/Players]"}));
}

TEST(DatFile, writers_leave_out_bytes_that_would_break_the_file) {
  TDat dat;
  dat.SetParam("SelLevel",
               "a\r\nFullScreen = \"b\x1A"
               "c\"");
  TDatBlock* text = dat.AddBlock("T");
  text->IsText = true;
  text->AddLine("x\ry\x1Az");
  EXPECT_EQ(dat.ParamsText(), CrLfLines({"SelLevel = \"aFullScreen = bc\"", "[T]", "xyz", "[/T]"}));
  EXPECT_EQ(dat.ToText(), CrLfLines({"[T]", "xyz", "[/T]"}));

  TDat reread;
  reread.LoadFromText(dat.ParamsText());
  EXPECT_EQ(TreeText(reread), "SelLevel=aFullScreen = bc;[T]{'xyz';}");
}

TEST(DatFile, to_text_of_a_read_tree_keeps_structure_and_text_blocks) {
  const struct {
    const char* what;
    std::string text;
    std::string written;
  } cases[] = {
      {"blocks and text blocks come back",
       CrLfLines({"<Layer>", "[Script]", "  if x then // go", "", "[/Script]", "</Layer>",
                  "<Layer>", "</Layer>"}),
       CrLfLines({"<Layer>", "[Script]", "  if x then // go", "", "[/Script]", "</Layer>",
                  "<Layer>", "</Layer>"})},
      {"params are not written", CrLfLines({"A=1", "<B>", "C=2", "</B>"}),
       CrLfLines({"<B>", "</B>"})},
      {"empty names write their tags", CrLfLines({"<>", "[]", "x", "[/]", "</>"}),
       CrLfLines({"<>", "[]", "x", "[/]", "</>"})},
      {"a stray closing tag is a child whose own closing tag is quoted",
       CrLfLines({"<X>", "</Y>", "[/T]", "</X>"}),
       CrLfLines({"<X>", "</Y>", "[/T]", "</X>", "[\"//T\"]", "<\"//Y\">", "</X>"})},
  };
  for (const auto& c : cases) {
    TDat dat;
    dat.LoadFromText(c.text);
    EXPECT_EQ(dat.ToText(), c.written) << c.what;
    TDat reread;
    reread.LoadFromText(c.written);
    EXPECT_EQ(reread.ToText(), c.written) << c.what << ", read back";
  }
}

TEST(DatFile, deep_nesting_reads_writes_and_frees_without_recursion) {
  for (size_t depth : {10000u, 1000000u}) {
    std::string open, close;
    for (size_t i = 0; i < depth; ++i)
      open += "<a>\r\n";
    for (size_t i = 0; i < depth; ++i)
      close += "</a>\r\n";
    {
      TDat dat;
      dat.LoadFromText(open + "[t]\r\nx\r\n");
      size_t levels = 0;
      const TDatBlock* block = &dat;
      while (!block->Blocks.empty())
        block = block->Blocks[0].get(), ++levels;
      EXPECT_EQ(levels, depth + 1);
      EXPECT_EQ(dat.ToText(), open + "[t]\r\nx\r\n[/t]\r\n" + close);
    }
    TDat closed;
    closed.LoadFromText(open + close + "B=1\r\n");
    EXPECT_EQ(closed.Param("B").Value, "1") << depth;
  }
}
