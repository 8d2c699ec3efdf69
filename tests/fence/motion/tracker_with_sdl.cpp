// The tracker must stay on the standard library.
#include <SDL.h>
#include <vector>
#include "motion/point_trail.h"
