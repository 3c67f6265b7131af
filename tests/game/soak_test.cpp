#include "game_fixture.h"
