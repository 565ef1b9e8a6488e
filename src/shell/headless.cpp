#include "shell/headless.h"

#include <algorithm>
#include <charconv>
#include <numbers>
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
#include "world/elements.h"
#include "world/level.h"
#include "world/poly.h"
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

// Where an element stands (world units), how it is turned (radians) and whether it shows.
struct Placement {
  double x = 0, y = 0, angle = 0;
  bool visible = true;
};

// The body's position and angle when there is a body, otherwise (x, y) unturned.
Placement BodyOr(const phys::cpBody* body, double x, double y, bool visible) {
  if (!body) return {x, y, 0, visible};
  phys::cpVect p = phys::cpBodyGetPos(body);
  return {p.x, p.y, phys::cpBodyGetAngle(body), visible};
}

// A polygon without a body (static ground, decor) stands at its outline's centroid.
Placement PolyPlacement(const TPoly& poly) {
  if (poly.Body) return BodyOr(poly.Body, 0, 0, poly.Visible);
  Point2D c = poly.Centroid();
  return {c.X, c.Y, 0, poly.Visible};
}

// A sprite's Body is the carrier it rides on, not its own: its X, Y and Angle follow it.
Placement SpritePlacement(const TSprite& sprite) {
  double angle = sprite.Angle * (std::numbers::pi / 180);
  return {sprite.X, sprite.Y, angle, sprite.Visible};
}

Placement ElementPlacement(const TElement& e) {
  if (const TPoly* poly = e.As<TPoly>()) return PolyPlacement(*poly);
  if (const TCircle* circle = e.As<TCircle>()) {
    bool visible = circle->Poly && circle->Poly->Visible;
    return BodyOr(circle->Poly ? circle->Poly->Body : nullptr, circle->X, circle->Y, visible);
  }
  if (const TSprite* sprite = e.As<TSprite>()) return SpritePlacement(*sprite);
  if (const TCreature* cr = e.As<TCreature>()) return BodyOr(cr->Body, cr->X, cr->Y, cr->Visible);
  if (const TObj* obj = e.As<TObj>()) return BodyOr(obj->Body, obj->X, obj->Y, obj->Visible);
  if (const TJoint* joint = e.As<TJoint>()) return {joint->X, joint->Y, 0, true};
  return {};
}

void ElementObject(JsonWriter& w, const TElement& e) {
  Placement at = ElementPlacement(e);
  w.BeginObject();
  w.Key("id");
  w.Int(e.ID);
  w.Key("kind");
  w.String(ElementKindName(e.Kind));
  w.Key("x");
  w.Number(at.x);
  w.Key("y");
  w.Number(at.y);
  w.Key("angle");
  w.Number(at.angle);
  w.Key("visible");
  w.Bool(at.visible);
  w.EndObject();
}

// Every element of CurrentLevel, layers in order and elements in order.
void ElementArray(JsonWriter& w) {
  w.BeginArray();
  if (CurrentLevel) {
    for (const auto& layer : CurrentLevel->Layers) {
      for (const auto& e : layer->Elements)
        ElementObject(w, *e);
    }
  }
  w.EndArray();
}

// The scripts' named integers, in the order they were first set.
void NamedIntegers(JsonWriter& w) {
  w.BeginObject();
  if (CurrentLevel) {
    for (const auto& [name, value] : CurrentLevel->IntVars) {
      w.Key(name);
      w.Int(value);
    }
  }
  w.EndObject();
}

// The entries of the top ten that hold a time, best first; times in hundredths.
void TopTenArray(JsonWriter& w) {
  w.BeginArray();
  for (size_t i = 0; i < TopTen.Time.size(); ++i) {
    if (TopTen.Time[i] == 0) continue;
    w.BeginObject();
    w.Key("time");
    w.Int(TopTen.Time[i]);
    w.Key("name");
    w.String(TopTen.Name[i]);
    w.EndObject();
  }
  w.EndArray();
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
  w.Strings(MenuItems);
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
  w.Key("elements");
  ElementArray(w);
  w.Key("named_integers");
  NamedIntegers(w);
  w.Key("apple_count");
  w.Int(AppleCount);
  w.Key("last_apple_time");
  w.Int(LastAppleTime);
  w.Key("top_ten");
  TopTenArray(w);
  w.Key("level");
  LevelObject(w);
  w.Key("messages");
  w.Strings(MessageList());
  w.Key("error_text");
  w.String(CurrentScreen == TScreen::SomeError ? ErrorText : "");
  w.EndObject();
  return w.Text();
}
