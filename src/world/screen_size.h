// The game's fixed screen. World units are its pixels: a level is laid out for an
// 800 x 600 view, and a larger window scales the whole picture.
#pragma once

inline constexpr int ScreenWidth = 800;
inline constexpr int ScreenHeight = 600;
