// The headless layer: the Windows calls the game makes, for playing a
// journal again at full speed with no window, no display, no sound and no
// pad (the replay tool, `kubrask-replay FILE`), on Linux and under Node.
//
// Implements: windows and messages as every layer over POSIX shares them
// (platform/posix), with windows that are only records; a pixel format and a
// context that are only names; presenting, which counts the frame for the
// journal; every OpenGL 1.1 call and gluPerspective the game makes, doing
// nothing (drawing still runs, since it advances the animations); sounds
// and the pad, accepted and ignored.
// Lacks: any input of its own, boxes and the dialog (the journal answers
// them: called outside a replay they refuse, as without a display), and
// recording (a run here only replays).
#pragma once

#include "platform/posix/journal.h"
