#include "app/controls.h"

CheatFlagSet CheatFlags{};
