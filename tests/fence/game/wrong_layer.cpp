// A game file reaching up into the start-up it sits below.
#include "app/startup.h"
#include "scores/score_table.h"
