// The game's random numbers (the menu background's first push).
#pragma once

#include <cstdint>
#include <random>

void SeedGameRandom(uint32_t seed);
std::mt19937& GameRandom();
