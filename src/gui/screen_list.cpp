#include "gui/screen_list.h"

#include <ostream>

std::string_view ScreenName(TScreen screen) {
  switch (screen) {
#define TOVI2_SCREEN_NAME(id, name, typeAhead, listKeys) \
  case TScreen::id:                                      \
    return name;
    TOVI2_SCREENS(TOVI2_SCREEN_NAME)
#undef TOVI2_SCREEN_NAME
    case TScreen::None:
      break;
  }
  return "";
}

bool IsRunScreen(TScreen screen) {
  return screen == TScreen::Game || screen == TScreen::Replay;
}

std::ostream& operator<<(std::ostream& out, TScreen screen) {
  return out << '"' << ScreenName(screen) << '"';
}
