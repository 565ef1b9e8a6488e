#include "shell/headless.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "data/json_writer.h"
#include "gui/message_list.h"
#include "platform/engine.h"
#include "platform/physics.h"
#include "shell/game_states.h"
#include "shell/key_names.h"
#include "shell/level_run.h"
#include "shell/settings.h"
#include "world/creature.h"
#include "world/level.h"
#include "world/top_ten.h"

namespace {

// Splits off the next blank-separated word of `rest`.
std::string NextWord(std::string_view& rest) {
  size_t start = rest.find_first_not_of(" \t");
  if (start == std::string_view::npos) {
    rest = {};
    return "";
  }
  rest.remove_prefix(start);
  size_t end = std::min(rest.find_first_of(" \t"), rest.size());
  std::string word(rest.substr(0, end));
  rest.remove_prefix(end);
  return word;
}

std::string StripComment(std::string_view line) {
  return std::string(line.substr(0, std::min(line.find('#'), line.size())));
}

bool ParseTick(const std::string& word, uint64_t& tick) {
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), tick);
  return ec == std::errc() && end == word.data() + word.size() && !word.empty();
}

// Parses one line without its line end; returns "" on success or the reason.
std::string ParseLine(std::string_view line, std::vector<KeyEvent>& events) {
  std::string_view rest = line;
  std::string tickWord = NextWord(rest);
  if (tickWord.empty() || tickWord[0] == '#') return "";
  KeyEvent e;
  if (!ParseTick(tickWord, e.tick)) return "\"" + tickWord + "\" is not a tick number";
  std::string verb = NextWord(rest);
  if (verb == "text") {
    e.kind = KeyEvent::Text;
    if (!rest.empty()) rest.remove_prefix(1);  // the one blank after the verb
    e.text = std::string(rest);
    events.push_back(e);
    return "";
  }
  if (verb != "down" && verb != "up") return "expected down, up or text after the tick";
  e.kind = verb == "down" ? KeyEvent::Down : KeyEvent::Up;
  std::string tail = StripComment(rest);
  std::string_view tailView = tail;
  std::string key = NextWord(tailView);
  e.code = KeyCodeFromName(key);
  if (e.code < 0) return "unknown key \"" + key + "\"";
  if (!NextWord(tailView).empty()) return "unexpected text after the key";
  events.push_back(e);
  return "";
}

}  // namespace

bool ParseKeyScript(const std::string& script, std::vector<KeyEvent>& events, std::string& error) {
  std::istringstream in(script);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string reason = ParseLine(line, events);
    if (!reason.empty()) {
      error = "line " + std::to_string(number) + ": " + reason;
      return false;
    }
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const KeyEvent& a, const KeyEvent& b) { return a.tick < b.tick; });
  return true;
}

KeyScriptPlayer::KeyScriptPlayer(std::vector<KeyEvent> events) : events_(std::move(events)) {}

void KeyScriptPlayer::BeforeTick(uint64_t tick) {
  for (; next_ < events_.size() && events_[next_].tick <= tick; ++next_) {
    const KeyEvent& e = events_[next_];
    switch (e.kind) {
      case KeyEvent::Down:
        key_InjectDown(static_cast<uint8_t>(e.code));
        break;
      case KeyEvent::Up:
        key_InjectUp(static_cast<uint8_t>(e.code));
        break;
      case KeyEvent::Text:
        key_InjectText(engine_Utf8ToLatin1(e.text));
        break;
    }
  }
}

namespace {

void StringArray(JsonWriter& w, const std::vector<std::string>& texts) {
  w.BeginArray();
  for (const std::string& text : texts)
    w.String(text);
  w.EndArray();
}

void SettingsObject(JsonWriter& w) {
  w.BeginObject();
  for (const SettingInfo& s : kSettingTable) {
    w.Key(s.key);
    if (s.isFlag) {
      w.Bool(Settings.*s.flag);
    } else {
      w.Int(Settings.*s.code);
    }
  }
  w.EndObject();
}

// The creature the keyboard steers: position and velocity in world units (y down).
void PlayerObject(JsonWriter& w) {
  if (!Player) {
    w.Null();
    return;
  }
  phys::cpVect v{0, 0};
  if (Player->Body) v = phys::cpBodyGetVel(Player->Body);
  w.BeginObject();
  w.Key("x");
  w.Number(Player->X);
  w.Key("y");
  w.Number(Player->Y);
  w.Key("vx");
  w.Number(v.x);
  w.Key("vy");
  w.Number(v.y);
  w.Key("on_ground");
  w.Bool(Player->OnGround != 0);
  w.Key("facing");
  w.String(Player->Facing ? "right" : "left");
  w.Key("walking");
  w.Bool(Player->Walking != 0);
  w.EndObject();
}

void LevelObject(JsonWriter& w) {
  if (!CurrentLevel) {
    w.Null();
    return;
  }
  int64_t elements = 0;
  for (const auto& layer : CurrentLevel->Layers)
    elements += int64_t(layer->Elements.size());
  w.BeginObject();
  w.Key("layers");
  w.Int(int64_t(CurrentLevel->Layers.size()));
  w.Key("elements");
  w.Int(elements);
  w.EndObject();
}

}  // namespace

std::string StateDumpJson() {
  JsonWriter w;
  w.BeginObject();
  w.Key("ticks");
  w.Int(static_cast<int64_t>(zgl_TickCount()));
  w.Key("settings");
  SettingsObject(w);
  w.Key("screen");
  w.String(ScreenName(CurrentScreen));
  w.Key("previous_screen");
  w.String(ScreenName(PreviousScreen));
  w.Key("menu_items");
  StringArray(w, MenuItems);
  w.Key("menu_index");
  w.Int(MenuIndex);
  w.Key("menu_top");
  w.Int(MenuTop);
  w.Key("key_capture");
  w.Int(KeyCapture);
  w.Key("search_text");
  w.String(SearchText);
  w.Key("player_name");
  w.String(PlayerName);
  w.Key("selected_level");
  w.String(SelectedLevel);
  w.Key("game_ticks");
  w.Int(GameTicks);
  w.Key("run_ticks");
  w.Int(RunTicks);
  w.Key("best_time");
  w.Int(BestTime);
  w.Key("result_message");
  w.String(ResultMessage);
  w.Key("player");
  PlayerObject(w);
  w.Key("level");
  LevelObject(w);
  w.Key("messages");
  StringArray(w, MessageList());
  w.Key("error_text");
  w.String(CurrentScreen == TScreen::SomeError ? ErrorText : "");
  w.EndObject();
  return w.Text();
}
