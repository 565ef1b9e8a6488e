// Feeds the hostile corpus to the real programs: each case of cases.txt places one damaged
// or malicious file into a fresh minimal game folder, runs tovi2-tool or the headless game
// on it, and compares the program's own error text or the game's state dump as whole
// values. Every run must end on its own within the time limit, leave every file outside
// the game folder untouched (a sentinel lies beside it) and change no file inside it except
// those the case names.
//
//   hostile_runner TOVI2 TOOL CORPUS_DIR SCRATCH_DIR KIND
//
// A case line: KIND | FILE[@BYTES] | HOW | EXPECTED [| xfail: REASON]
//   FILE is relative to CORPUS_DIR; "@N" feeds only its first N bytes (a truncation).
//   The large, regular files (deep nesting, long lines, long chains) and the binary image
//   headers are not stored: the table in Generated() makes them.
//   HOW is "tool ARGS..." (the word FILE stands for the placed file, run in the game
//   folder) or "game MODE" (see PlaceForGame).
//   EXPECTED for the tool is "err TEXT" (status 1, TEXT on standard error) or "out TEXT"
//   (status 0, TEXT on standard output), followed by " [stdout] " or " [stderr] " and the
//   other stream when the tool wrote there too; \n stands for LF, \r for CR and \\ for
//   a backslash. For the game it is "FIELD=JSON ; FIELD=JSON ...", each the raw JSON of
//   that member of the state dump (the game folder's path written GAME/), and
//   "writes=PATH" for a file of the game folder the game may rewrite. In either, {N*C}
//   stands for N times the character C.
//   "xfail: REASON" marks a known fault: the case is expected to fail (it still must end
//   in time and without a sanitizer report), and passing reports that the mark can go.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include "../data/json_field.h"

namespace fs = std::filesystem;

namespace {

// A run that has not ended by then hangs.
constexpr int kTimeLimitSeconds = 60;

struct Case {
  int line = 0;
  std::string kind, file, how, expected;
  std::string xfail;               // why the program does not do what the case expects yet
  size_t cut = std::string::npos;  // feed only this many bytes
};

struct Run {
  int status = -1;  // exit status; -1 for a signal, -2 for a hang
  std::string out, err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size())
    s.replace(at, from.size(), to);
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  size_t e = s.find_last_not_of(' ');
  return b == std::string::npos ? "" : s.substr(b, e + 1 - b);
}

std::vector<std::string> Split(const std::string& s, const std::string& sep) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (size_t next; (next = s.find(sep, at)) != std::string::npos; at = next + sep.size())
    parts.push_back(Trim(s.substr(at, next - at)));
  parts.push_back(Trim(s.substr(at)));
  return parts;
}

// "{N*C}" becomes N times the character C.
std::string ExpandRuns(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    size_t star = text.find('*', i);
    if (text[i] == '{' && star != std::string::npos && star > i + 1 && star + 2 < text.size() &&
        text[star + 2] == '}' &&
        text.find_first_not_of("0123456789", i + 1) == star) {
      out.append(std::stoul(text.substr(i + 1, star - i - 1)), text[star + 1]);
      i = star + 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The cases of one kind; a malformed line is reported and counts as a failure.
std::vector<Case> ReadCases(const fs::path& manifest, const std::string& kind, int& bad) {
  std::vector<Case> cases;
  std::ifstream in(manifest);
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    if (text.empty() || text[0] == '#') continue;
    std::vector<std::string> f = Split(text, " | ");
    if (f.size() < 4) {
      std::cout << "cases.txt:" << line << ": not KIND | FILE | HOW | EXPECTED\n";
      ++bad;
      continue;
    }
    if (f[0] != kind) continue;
    std::string xfail;
    if (f.size() > 4 && f.back().rfind("xfail: ", 0) == 0) {
      xfail = f.back().substr(7);
      f.pop_back();
    }
    Case c{line, f[0], f[1], f[2], f[3], xfail};
    for (size_t i = 4; i < f.size(); ++i)
      c.expected += " | " + f[i];
    c.expected = ExpandRuns(c.expected);
    if (size_t at = c.file.find('@'); at != std::string::npos) {
      c.cut = std::stoul(c.file.substr(at + 1));
      c.file.resize(at);
    }
    cases.push_back(c);
  }
  return cases;
}

// Runs exe in cwd; a run that outlives the time limit is killed and reported as a hang.
Run Spawn(const std::vector<std::string>& args, const fs::path& cwd, const fs::path& scratch) {
  const fs::path outFile = scratch / "stdout.txt", errFile = scratch / "stderr.txt";
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(126);
    int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  Run r;
  int wstatus = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTimeLimitSeconds);
  while (waitpid(pid, &wstatus, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &wstatus, 0);
      r.status = -2;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (r.status != -2) r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  r.out = ReadFile(outFile);
  r.err = ReadFile(errFile);
  fs::remove(outFile);
  fs::remove(errFile);
  return r;
}

// Every file below root with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), root).string()] = ReadFile(entry.path());
  return files;
}

// ---------------------------------------------------------------------------------------
// The minimal game folder: a player "Anna" who last played Levels/L.vle, the creature
// pattern hero.dat, and that level: a floor and the creature on it.

constexpr const char* kCreature = "Type = Creature\r\nLegsY = 8\r\nHeadY = -6\r\nRadius = 14\r\n";

std::string Config(const std::string& level) {
  return "FullScreen = \"True\"\r\nVSync = \"False\"\r\nShowRecNames = \"True\"\r\n"
         "ShowLastAppleTime = \"False\"\r\nHideSprites = \"False\"\r\nLeft = \"203\"\r\n"
         "Right = \"205\"\r\nJump = \"200\"\r\nRestart = \"19\"\r\nSelPlayer = \"Anna\"\r\n"
         "SelLevel = \"" +
         level + "\"\r\n[Players]\r\nAnna\r\n[/Players]\r\n";
}

// The level with `extra` element blocks in its layer.
std::string Level(const std::string& extra) {
  return "Type = Level\r\nCamX = 400\r\nCamY = 300\r\n<Layer>\r\n<Polygon>\r\nID = 1\r\n"
         "Type = Static\r\n[Vertices]\r\n-1000 400\r\n3000 400\r\n3000 500\r\n-1000 500\r\n"
         "[/Vertices]\r\n</Polygon>\r\n<Creature>\r\nFileName = \"hero.dat\"\r\nID = 2\r\n"
         "X = 100\r\nY = 370\r\n</Creature>\r\n" +
         extra + "</Layer>\r\n";
}

// Bytes from hexadecimal digits.
std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::string Repeat(const std::string& text, int count) {
  std::string out;
  for (int i = 0; i < count; ++i)
    out += text;
  return out;
}

// The corpus files too large and too regular to store, and the binary image headers, by
// their corpus name.
const std::map<std::string, std::string>& Generated() {
  static const std::map<std::string, std::string> files = [] {
    std::map<std::string, std::string> f;
    f["config/deep_blocks.dat"] = "Jump = 57\r\n" + Repeat("<a>\r\n", 4000) + "Left = 30\r\n" +
                                  Repeat("[t]\r\n", 3);
    f["config/long_line.dat"] = "Jump = 57\r\nLeft = " + std::string(5000, '9') +
                                "\r\n[Players]\r\n" + std::string(5000, 'A') + "\r\n[/Players]\r\n";
    f["patterns/deep_blocks.dat"] = "Type = Object\r\nSprite = dot.png\r\n" +
                                    Repeat("<TouchScript>\r\n", 3000) +
                                    "[TouchScript]\r\nbegin Victory; end.\r\n";
    f["levels/deep_blocks.vle"] =
        Level(Repeat("<Polygon>\r\n", 3000) + "ID = 3\r\n") + Repeat("<Layer>\r\n", 3000);
    std::string rig = "RigSprite\r\n";
    for (int id = 2; id <= 2000; ++id)
      rig += "Sprite=\r\nID=" + std::to_string(id) + "\r\nParentID=" + std::to_string(id - 1) +
             "\r\nX=1\r\n";
    f["anims/deep_parents.rgs"] = rig;
    // Level "L.vle", one track of element 2 whose second position key's time is a chain of
    // 32769 continued parts.
    const char head[] = "\x05L.vle\0\0\0\0\xe8\x03\0\0\x01\0\0\0\x02\0\0\0\x02\0\0\0\xfd\xff"
                        "\0\0\x80\x3f\0\0\x80\x3f";
    const char tail[] = "\x05\0\0\0\x80\x3f\0\0\x80\x3f";
    f["replays/time_overflow.cre"] = std::string(head, sizeof head - 1) +
                                     Repeat("\xfe\xff", 32769) +
                                     std::string(tail, sizeof tail - 1) + std::string(16, '\0');
    f["scripts/deep_blocks.pas"] = "begin\n" + Repeat("begin ", 3000) + "Print('deep'); " +
                                   Repeat("end; ", 2999) + "end;\nend.\n";
    f["scripts/deep_ifs.pas"] = "begin\n" + Repeat("if True then ", 3000) + "Print('deep');\nend.\n";
    f["scripts/deep_parens.pas"] = "begin\n  Print(IntToStr(" + std::string(5000, '(') + "1" +
                                   std::string(5000, ')') + "));\nend.\n";
    f["scripts/deep_unary.pas"] = "begin\n  Print(IntToStr(" + std::string(5000, '-') + "1));\nend.\n";
    // Image headers only: a PNG of bit depth 7 and colour type 9, a BMP and a GIF that
    // claim 100000 x 100000 and 65535 x 65535 pixels.
    f["anims/bad_depth.png"] = FromHex(
        "89504e470d0a1a0a0000000d494844520000000400000004070900000073c219f90000000c49444154789c"
        "6360a00c000000400001b7347cef0000000049454e44ae426082");
    f["anims/huge.bmp"] = FromHex("424d46000000000000003600000028000000a08601006079feff01002000") +
                          std::string(40, '\0');
    f["anims/huge.gif"] = FromHex("474946383961ffffffff0000002c00000000ffffffff0002024401003b");
    f["scripts/long_chain.pas"] = "var I : integer;\nbegin\n  I := " + Repeat("1+", 5000) +
                                  "1;\n  Print(IntToStr(I));\nend.\n";
    return f;
  }();
  return files;
}

std::string Element(const std::string& block, const std::string& file) {
  std::string body = "<" + block + ">\r\nFileName = \"" + file + "\"\r\nID = 3\r\n";
  if (block == "Polygon")
    return body + "Type = Dynamic\r\n[Vertices]\r\n80 300\r\n120 300\r\n120 340\r\n80 340\r\n" +
           "[/Vertices]\r\n</Polygon>\r\n";
  return body + "X = 100\r\nY = 370\r\n</" + block + ">\r\n";
}

// Key scripts from "Choose Player" with Anna chosen last.
constexpr const char* kIntoTheLevel =
    "5 down ENTER\n6 up ENTER\n10 down ENTER\n11 up ENTER\n15 down ENTER\n16 up ENTER\n";
constexpr const char* kIntoTheMerge =
    "5 down ENTER\n6 up ENTER\n10 down DOWN\n11 up DOWN\n12 down DOWN\n13 up DOWN\n"
    "15 down ENTER\n16 up ENTER\n20 down ENTER\n21 up ENTER\n25 down DOWN\n26 up DOWN\n"
    "30 down ENTER\n31 up ENTER\n";
constexpr const char* kIntoTheReplay =
    "5 down ENTER\n6 up ENTER\n10 down DOWN\n11 up DOWN\n15 down ENTER\n16 up ENTER\n"
    "20 down ENTER\n21 up ENTER\n";

struct GameRun {
  std::string keys;
  int ticks = 300;
};

void PlaceBeside(const fs::path& path, const std::string& bytes, const fs::path& corpus) {
  WriteFile(path.parent_path() / "dot.png", ReadFile(corpus / "patterns" / "dot.png"));
  WriteFile(path, bytes);
}

// Puts the hostile bytes where the mode says and returns how the game is driven:
//   config   as Config.dat; the game only starts
//   level    as Levels/L.vle or L.zle (by the file's extension), which the player starts
//   pattern  as the object description Data/Objects/thing.dat, whose object stands on the
//            creature in the level the player starts
//   creature as Data/Creatures/hero.dat, the player's creature in that level
//   sprite   as Data/Sprites/NAME, shown by a sprite element of that level
//   polygon  as Data/Polygons/NAME, the texture of a dynamic polygon of that level
//   replay   as Rec/R.cre, which the player watches from the main menu
//   merge    as Rec/R.cre, which the player merges into replays/whole.cre (as Rec/A.cre)
// The image patterns/dot.png lies beside a placed description or animation, for it to name.
GameRun PlaceForGame(const std::string& mode, const fs::path& game, const std::string& name,
                     const std::string& bytes, const fs::path& corpus) {
  std::string ext = fs::path(name).extension().string();
  std::string level = mode == "level" ? "L" + ext : "L.vle";
  WriteFile(game / "Config.dat", Config(level));
  WriteFile(game / "Data" / "Creatures" / "hero.dat", kCreature);
  if (mode == "level") {
    WriteFile(game / "Levels" / level, bytes);
    return {kIntoTheLevel};
  }
  std::string extra;
  if (mode == "pattern") {
    PlaceBeside(game / "Data" / "Objects" / "thing.dat", bytes, corpus);
    extra = Element("Object", "thing.dat");
  } else if (mode == "creature") {
    WriteFile(game / "Data" / "Creatures" / "hero.dat", bytes);
  } else if (mode == "sprite") {
    PlaceBeside(game / "Data" / "Sprites" / name, bytes, corpus);
    extra = Element("Sprite", name);
  } else if (mode == "polygon") {
    WriteFile(game / "Data" / "Polygons" / name, bytes);
    extra = Element("Polygon", name);
  } else if (mode == "replay" || mode == "merge") {
    WriteFile(game / "Rec" / "R.cre", bytes);
    if (mode == "merge")
      WriteFile(game / "Rec" / "A.cre", ReadFile(corpus / "replays" / "whole.cre"));
  } else if (mode == "config") {
    WriteFile(game / "Config.dat", bytes);
    WriteFile(game / "Levels" / level, Level(""));
    return {"", 20};
  } else {
    return {"", -1};
  }
  WriteFile(game / "Levels" / level, Level(extra));
  if (mode == "merge") return {kIntoTheMerge};
  return {mode == "replay" ? kIntoTheReplay : kIntoTheLevel};
}

// ---------------------------------------------------------------------------------------
// Checking

std::string StripNewline(std::string s) {
  if (!s.empty() && s.back() == '\n') s.pop_back();
  return s;
}

// Output as the manifest writes it: LF as \n, CR as \r, a backslash as \\.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

// Standard error without the lines libpng and libtiff write there themselves, which differ
// between their versions; the program's own text follows them.
std::string WithoutLibraryNoise(const std::string& err) {
  std::string kept;
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("libpng ", 0) != 0 && line.rfind("TIFF", 0) != 0) kept += line + "\n";
  return kept;
}

// What the tool said, as the manifest writes it: standard output for a run that succeeded,
// else standard error; the other one follows after " [stderr] " or " [stdout] " when the
// tool wrote there too.
std::string ToolText(const Run& r) {
  const bool ok = r.status == 0;
  const std::string err = WithoutLibraryNoise(r.err);
  std::string text = Escaped(StripNewline(ok ? r.out : err));
  const std::string& other = ok ? err : r.out;
  if (other.empty()) return text;
  std::string tagged = (ok ? "[stderr] " : "[stdout] ") + Escaped(StripNewline(other));
  return text.empty() ? tagged : text + " " + tagged;
}

// What is wrong with a run of the tool; "" when it did what the case expects.
std::string CheckTool(const Run& r, const std::string& expected) {
  std::string kind = expected.substr(0, 3);
  if (kind != "err" && kind != "out") return "EXPECTED must begin with err or out";
  std::string want = Trim(expected.substr(3));
  if (r.status == (kind == "err" ? 1 : 0) && ToolText(r) == want) return "";
  return "status " + std::to_string(r.status) + "\n  want: " + want + "\n  got:  " + ToolText(r);
}

// What is wrong with a game run; fills `writes` with the files it may rewrite.
std::string CheckGame(const Run& r, const std::string& dump, const std::string& expected,
                      std::set<std::string>& writes) {
  if (r.status != 0) return "status " + std::to_string(r.status) + "\n" + r.err;
  std::string problems;
  for (const std::string& item : Split(expected, " ; ")) {
    size_t eq = item.find('=');
    if (eq == std::string::npos) return "not FIELD=JSON: " + item;
    std::string key = item.substr(0, eq), want = item.substr(eq + 1);
    if (key == "writes") {
      writes.insert(want);
      continue;
    }
    std::string got = Field(dump, key);
    if (got != want) problems += "\n  " + key + " want: " + want + "\n  " + key + " got:  " + got;
  }
  return problems;
}

// Files outside the game folder must stay as they were and none may appear; inside it,
// only the files in `writes` may change, and none may go.
std::string CheckFiles(const std::map<std::string, std::string>& before,
                       const std::map<std::string, std::string>& after,
                       const std::set<std::string>& writes) {
  std::string problems;
  for (const auto& [name, bytes] : before) {
    auto it = after.find(name);
    bool inGame = name.rfind("game/", 0) == 0;
    if (it == after.end())
      problems += "\n  removed: " + name;
    else if (it->second != bytes && !(inGame && writes.count(name.substr(5))))
      problems += "\n  changed: " + name;
  }
  for (const auto& [name, bytes] : after)
    if (!before.count(name) && name.rfind("game/", 0) != 0) problems += "\n  written: " + name;
  return problems;
}

bool Sanitized(const std::string& err) {
  return err.find("Sanitizer") != std::string::npos ||
         err.find("runtime error:") != std::string::npos;
}

bool IsCrashOrHang(const std::string& problem) {
  return problem.rfind("no end within", 0) == 0 || problem.rfind("sanitizer report", 0) == 0 ||
         problem.rfind("status -1", 0) == 0;
}

struct Programs {
  std::string tovi2, tool;
};

// Runs one case in a fresh folder below scratch; "" when it passed.
std::string RunCase(const Case& c, const Programs& programs, const fs::path& corpus,
                    const fs::path& scratch) {
  auto generated = Generated().find(c.file);
  const bool made = generated != Generated().end();
  std::string bytes = made ? generated->second : ReadFile(corpus / c.file);
  if (!made && bytes.empty() && !fs::exists(corpus / c.file)) return "no file " + c.file;
  if (c.cut != std::string::npos) {
    if (c.cut > bytes.size()) return "the cut lies past the end of the file";
    bytes.resize(c.cut);
  }
  fs::remove_all(scratch);
  const fs::path game = scratch / "game";
  fs::create_directories(game);
  WriteFile(scratch / "sentinel.txt", "outside the game folder\n");
  const std::string name = fs::path(c.file).filename().string();
  std::vector<std::string> args;
  bool tool = c.how.rfind("tool ", 0) == 0;
  if (tool) {
    PlaceForGame("config", game, name, Config("L.vle"), corpus);
    PlaceBeside(game / name, bytes, corpus);
    args.push_back(programs.tool);
    for (const std::string& a : Split(c.how.substr(5), " "))
      args.push_back(a == "FILE" ? name : a);
  } else {
    GameRun g = PlaceForGame(Trim(c.how.substr(4)), game, name, bytes, corpus);
    if (g.ticks < 0) return "unknown HOW: " + c.how;
    WriteFile(scratch / "keys.txt", g.keys);
    args = {programs.tovi2,          "--headless", "--dir",    "game",         "--ticks",
            std::to_string(g.ticks), "--keys",     "keys.txt", "--dump-state", "state.json"};
  }
  const auto before = Snapshot(scratch);
  Run r = Spawn(args, tool ? game : scratch, scratch.parent_path());
  if (r.status == -2) return "no end within " + std::to_string(kTimeLimitSeconds) + " s";
  if (Sanitized(r.err)) return "sanitizer report:\n" + r.err;
  // The game names files by their full path, which depends on where the test runs.
  std::string dump = ReplaceAll(ReadFile(scratch / "state.json"), game.string() + "/", "GAME/");
  fs::remove(scratch / "state.json");
  std::set<std::string> writes;
  std::string problem = tool ? CheckTool(r, c.expected) : CheckGame(r, dump, c.expected, writes);
  problem += CheckFiles(before, Snapshot(scratch), writes);
  if (!problem.empty() && !tool) problem += "\n  dump: " + dump;
  return problem;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::cerr << "usage: hostile_runner TOVI2 TOOL CORPUS_DIR SCRATCH_DIR KIND\n";
    return 2;
  }
  // The programs run in the game folder, so every path is made absolute first.
  const Programs programs{fs::absolute(argv[1]).string(), fs::absolute(argv[2]).string()};
  const fs::path corpus = fs::absolute(argv[3]), scratch = fs::absolute(argv[4]) / argv[5];
  int failed = 0;
  std::vector<Case> cases = ReadCases(corpus / "cases.txt", argv[5], failed);
  for (const Case& c : cases) {
    std::string problem = RunCase(c, programs, corpus, scratch / "case");
    const std::string where = "cases.txt:" + std::to_string(c.line) + ": " + c.file +
                              (c.cut == std::string::npos ? "" : "@" + std::to_string(c.cut)) +
                              " (" + c.how + "): ";
    if (!c.xfail.empty() && !problem.empty() && !IsCrashOrHang(problem)) {
      std::cout << where << "known fault: " << c.xfail << "\n";
      continue;
    }
    if (!c.xfail.empty() && problem.empty()) problem = "passes now; drop its xfail mark";
    if (!problem.empty()) {
      std::cout << where << problem << "\n";
      ++failed;
    }
  }
  fs::remove_all(scratch);
  std::cout << cases.size() << " cases of kind " << argv[5] << ", " << failed << " failed\n";
  return failed == 0 && !cases.empty() ? 0 : 1;
}
