// Sound in the browser: wave files played through Web Audio, as sndPlaySoundA
// plays them with SND_ASYNC and SND_NOSTOP: a request made while a sound is
// still playing is dropped with SND_NOSTOP, and otherwise cuts it; a file that
// cannot be played gives a short alert instead, unless SND_NODEFAULT says
// not to. Browsers let a page make sound only once the player has pressed a
// key or clicked: until then there is no audio device, and nothing plays.
// See README.md beside this file for what the layer provides and refuses.
#include <emscripten.h>

#include "platform/web/layer.h"

EM_JS(int, PagePlaySound, (const char* path, int noStop, int noDefault),
      { return Page.playSound(UTF8ToString(path), noStop != 0, noDefault != 0) ? 1 : 0; });

BOOL WINAPI sndPlaySoundA(LPCSTR sound, UINT flags) {
    if (sound == nullptr) return FALSE;
    return PagePlaySound(sound, (flags & SND_NOSTOP) != 0, (flags & SND_NODEFAULT) != 0);
}
