// Seam between the frame loop's event handling (engine_window.cpp) and the keyboard state
// (engine_keys.cpp). Free of SDL so that the keyboard rules can be tested without a window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// An auto-repeat of a held key. Only keys whose repetition means "further" (arrows,
// Page Up/Down, Home, End, Backspace, Delete) register a new press; key_Down never changes.
void key_InjectRepeat(uint8_t code);

// Starts or stops SDL's text input to match key_BeginReadText/key_EndReadText; called
// once the window exists, since SDL turns text input on by itself when video starts.
void key_SyncTextInput();
