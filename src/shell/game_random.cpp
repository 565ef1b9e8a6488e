#include "shell/game_random.h"

namespace {
std::mt19937 generator;
}

void SeedGameRandom(uint32_t seed) {
  generator.seed(seed);
}
std::mt19937& GameRandom() {
  return generator;
}
