// Sound: wave files played asynchronously through SDL's audio, as
// sndPlaySoundA plays them with SND_ASYNC and SND_NOSTOP: a request made
// while a sound is still playing is dropped, neither cutting the playing one
// nor waiting behind it; a file that cannot be played gives a short alert
// instead, unless SND_NODEFAULT says not to. With no audio device, nothing
// plays.
// See README.md beside this file for what the layer provides and refuses.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/sdl/layer.h"

namespace {

SDL_AudioDeviceID Device = 0;
SDL_AudioSpec Format{};
bool Unavailable = false;
std::string NowPlaying;

bool OpenDevice() {
    if (Device != 0) return true;
    if (Unavailable) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = 22050;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 1;
    wanted.samples = 1024;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
        Device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &Format, 0);
    if (Device == 0) {
        Unavailable = true;  // no device now means none for the rest of the run
        return false;
    }
    SDL_PauseAudioDevice(Device, 0);
    return true;
}

// Samples of the given format in the device's, or nothing when SDL has no
// conversion between the two.
std::vector<Uint8> ToDevice(const Uint8* data, size_t length, SDL_AudioFormat format, Uint8 channels,
                            int frequency) {
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, format, channels, frequency, Format.format, Format.channels, Format.freq) < 0)
        return {};
    std::vector<Uint8> samples(length * static_cast<size_t>(cvt.needed ? cvt.len_mult : 1));
    std::copy(data, data + length, samples.begin());
    if (cvt.needed) {
        cvt.buf = samples.data();
        cvt.len = static_cast<int>(length);
        SDL_ConvertAudio(&cvt);
        samples.resize(static_cast<size_t>(cvt.len_cvt));
    }
    return samples;
}

// A wave file in the device's format, or nothing when it cannot be read.
std::vector<Uint8> LoadWave(const char* name) {
    SDL_AudioSpec spec{};
    Uint8* data = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(name, &spec, &data, &length) == nullptr) return {};
    std::vector<Uint8> samples = ToDevice(data, length, spec.format, spec.channels, spec.freq);
    SDL_FreeWAV(data);
    return samples;
}

// The alert: a short falling two-tone beep, made for the device's format.
std::vector<Uint8> Alert() {
    std::vector<Sint16> tone(22050 / 6);
    for (size_t i = 0; i < tone.size(); ++i) {
        double t = static_cast<double>(i) / 22050.0, hz = i < tone.size() / 2 ? 880.0 : 660.0;
        double fade = std::min(1.0, std::min(i, tone.size() - i) / 200.0);
        tone[i] = static_cast<Sint16>(8000.0 * fade * std::sin(2.0 * M_PI * hz * t));
    }
    return ToDevice(reinterpret_cast<const Uint8*>(tone.data()), tone.size() * sizeof tone[0], AUDIO_S16SYS,
                    1, 22050);
}

bool Playing() { return Device != 0 && SDL_GetQueuedAudioSize(Device) > 0; }

}  // namespace

BOOL WINAPI sndPlaySoundA(LPCSTR sound, UINT flags) {
    if (sound == nullptr || !OpenDevice()) return FALSE;
    if ((flags & SND_NOSTOP) && Playing()) return FALSE;
    std::vector<Uint8> samples = LoadWave(sound);
    NowPlaying = sound;
    if (samples.empty()) {
        if (flags & SND_NODEFAULT) return FALSE;
        samples = Alert();
        NowPlaying = "(alert)";
    }
    SDL_ClearQueuedAudio(Device);
    // Always asynchronous: the game never asks to wait for the end.
    return SDL_QueueAudio(Device, samples.data(), static_cast<Uint32>(samples.size())) == 0;
}

#ifdef KUBRASK_TEST_HOOKS
const char* SoundNowPlaying() {
    if (!Playing()) return nullptr;
    return NowPlaying.c_str();
}
#endif
