// A layer below the game: the score dialogs may not see it.
#include "ui/game_text.h"
#include "../game/hud.h"
