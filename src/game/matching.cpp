#include "game/matching.h"

void StartSinking(Die& die) {
    if (die.flags & DIE_SINKING) return;
    die.progress = (die.flags & DIE_RISING) ? 1.0f - die.progress : 0.0f;
    die.flags &= ~(DIE_IDLE | DIE_ROLLING | DIE_RISING);
    die.flags |= DIE_BUSY | DIE_SINKING;
}
