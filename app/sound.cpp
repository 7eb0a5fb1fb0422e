#include "app/sound.h"

#include <SDL.h>
#include <dlfcn.h>

#include <cstdlib>

namespace {

SDL_AudioDeviceID soundDevice = 0;

// ALSA reports a missing sound card on stderr through its own error handler. SDL loads ALSA at
// run time, so we reach the same library instance through dlopen and give it a silent handler.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsa() {
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (alsa == nullptr) {
        return;
    }
    using SetHandler = int (*)(AlsaErrorHandler);
    auto setHandler = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (setHandler != nullptr) {
        setHandler(ignoreAlsaError);
    }
    // The library stays loaded: SDL uses it for the rest of the process.
}

void closeSoundTrack() {
    if (soundDevice != 0) {
        SDL_CloseAudioDevice(soundDevice);
        soundDevice = 0;
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace

void startSoundTrack(const char* fileName) {
    // The show ends through exit(); SDL must not take over SIGINT and SIGTERM meanwhile.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "PP");
    silenceAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return;
    }
    std::atexit(closeSoundTrack);

    SDL_AudioSpec format;
    Uint8* samples = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(fileName, &format, &samples, &length) == nullptr) {
        return;
    }
    // The device takes the file's own format; SDL converts if the hardware wants another.
    soundDevice = SDL_OpenAudioDevice(nullptr, 0, &format, nullptr, 0);
    if (soundDevice != 0) {
        SDL_QueueAudio(soundDevice, samples, length);
        SDL_PauseAudioDevice(soundDevice, 0);
    }
    SDL_FreeWAV(samples);
}
