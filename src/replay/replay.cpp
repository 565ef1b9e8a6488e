#include "replay/replay.h"

TReplay Recording;
