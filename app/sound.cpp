#include "app/sound.h"

#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image/regular_file.h"
#include "process/sound_track_limits.h"

namespace {

// Rates that devices run at directly; a track at another rate is converted to kConvertedRate.
constexpr int kLowestDirectRate = 8000;
constexpr int kHighestDirectRate = 192000;
constexpr int kConvertedRate = 48000;
// How much of a converted track is queued: more than the show lasts, so that nothing which
// could be heard is cut, while a long file at a rate tens of times below the device's does
// not take tens of times its own size in memory.
constexpr uint64_t kLongestConvertedSeconds = 120;

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

// The standard output and error, while they point at /dev/null: the descriptors to put back.
struct MutedStreams {
    int output;
    int error;
};

// Points descriptors 1 and 2 at /dev/null while the sound stack starts or stops, so that a back
// end's own messages (an unusable home folder, an unreachable server) reach no one. Only the
// calling thread runs anything of ours meanwhile; GLUT has not started or has finished.
MutedStreams muteStandardStreams() {
    MutedStreams saved = {-1, -1};
    std::fflush(stdout);
    std::fflush(stderr);
    // Above the standard numbers, so that closing it never closes one of them.
    const int opened = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const int null = opened >= 0 ? fcntl(opened, F_DUPFD_CLOEXEC, 3) : -1;
    if (opened >= 0) {
        close(opened);
    }
    if (null < 0) {
        return saved;
    }
    saved.output = fcntl(1, F_DUPFD_CLOEXEC, 3);
    saved.error = fcntl(2, F_DUPFD_CLOEXEC, 3);
    if (saved.output >= 0) {
        dup2(null, 1);
    }
    if (saved.error >= 0) {
        dup2(null, 2);
    }
    close(null);
    return saved;
}

void restoreStandardStreams(MutedStreams saved) {
    std::fflush(stdout);
    std::fflush(stderr);
    if (saved.output >= 0) {
        dup2(saved.output, 1);
        close(saved.output);
    }
    if (saved.error >= 0) {
        dup2(saved.error, 2);
        close(saved.error);
    }
}

void closeSoundTrack() {
    const MutedStreams saved = muteStandardStreams();
    if (soundDevice != 0) {
        SDL_CloseAudioDevice(soundDevice);
        soundDevice = 0;
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    restoreStandardStreams(saved);
}

uint64_t frameBytes(const SDL_AudioSpec& format) {
    return SDL_AUDIO_BITSIZE(format.format) / 8 * format.channels;
}

// About 40 ms of frames, a power of two: closing the device waits for the audio thread, which
// sleeps up to one buffer's length.
Uint16 bufferFrames(int rate) {
    Uint16 frames = 256;
    while (frames < rate / 25 && frames < 8192) {
        frames *= 2;
    }
    return frames;
}

// Queues the samples (whole frames) converted to the device's rate, all in one piece: SDL's
// streaming converter drops the last frames of some lengths at large rate ratios.
bool queueConverted(SDL_AudioDeviceID device, const SDL_AudioSpec& file,
                    const SDL_AudioSpec& played, const Uint8* samples, uint64_t length) {
    SDL_AudioCVT conversion;
    if (SDL_BuildAudioCVT(&conversion, file.format, file.channels, file.freq, played.format,
                          played.channels, played.freq) < 0 ||
        length > INT32_MAX) {
        return false;
    }
    // The conversion works in place, in a buffer len_mult times the input's size.
    const uint64_t bufferBytes = length * static_cast<uint64_t>(conversion.len_mult);
    conversion.buf = bufferBytes <= SIZE_MAX
                         ? static_cast<Uint8*>(std::malloc(static_cast<size_t>(bufferBytes)))
                         : nullptr;
    if (conversion.buf == nullptr) {
        return false;
    }
    std::memcpy(conversion.buf, samples, static_cast<size_t>(length));
    conversion.len = static_cast<int>(length);
    const bool queued =
        SDL_ConvertAudio(&conversion) == 0 &&
        SDL_QueueAudio(device, conversion.buf, static_cast<Uint32>(conversion.len_cvt)) == 0;
    std::free(conversion.buf);
    return queued;
}

// Opens the device for the track's format and queues the track; false, with no device left
// open, when it cannot play.
bool playTrack(const SDL_AudioSpec& file, const Uint8* samples, Uint32 length) {
    const bool direct = file.freq >= kLowestDirectRate && file.freq <= kHighestDirectRate;
    SDL_AudioSpec played = {};
    played.freq = direct ? file.freq : kConvertedRate;
    played.format = file.format;
    played.channels = file.channels;
    played.samples = bufferFrames(played.freq);
    // No changes allowed: SDL converts to whatever the hardware takes, in the same short buffers.
    soundDevice = SDL_OpenAudioDevice(nullptr, 0, &played, nullptr, 0);
    if (soundDevice == 0) {
        return false;
    }
    const uint64_t frame = frameBytes(file);
    const uint64_t converted =
        std::min<uint64_t>(length, kLongestConvertedSeconds * uint64_t(file.freq) * frame);
    const bool queued =
        direct ? SDL_QueueAudio(soundDevice, samples, length) == 0
               : queueConverted(soundDevice, file, played, samples, converted / frame * frame);
    if (!queued) {
        SDL_CloseAudioDevice(soundDevice);
        soundDevice = 0;
        return false;
    }
    SDL_PauseAudioDevice(soundDevice, 0);
    return true;
}

bool startMuted(const char* fileName) {
    SDL_AudioSpec file;
    Uint8* samples = nullptr;
    Uint32 length = 0;
    // Only a regular file: a FIFO nobody writes to would hold the show before its window.
    std::FILE* track = openRegularFile(fileName);
    SDL_RWops* source = track != nullptr ? SDL_RWFromFP(track, SDL_TRUE) : nullptr;
    if (source == nullptr) {
        if (track != nullptr) {
            std::fclose(track);
        }
        return false;
    }
    if (SDL_LoadWAV_RW(source, 1, &file, &samples, &length) == nullptr) {
        return false;
    }
    const bool playable = file.freq >= soundTrackLowestRate && file.freq <= soundTrackHighestRate &&
                          file.channels >= 1 && file.channels <= soundTrackMostChannels &&
                          length > 0;
    bool playing = false;
    if (playable && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        std::atexit(closeSoundTrack);  // once per start, as each start holds the subsystem
        playing = playTrack(file, samples, length);
    }
    SDL_FreeWAV(samples);
    return playing;
}

}  // namespace

bool startSoundTrack(const char* fileName) {
    // The show ends through exit(); SDL must not take over SIGINT and SIGTERM meanwhile.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "PP");
    // The PulseAudio client writes its complaints (a home folder it cannot use, a server it
    // cannot reach) to stderr, also later from its own thread; this sends them to the system
    // log instead. The client reads the variable at its first message.
    setenv("PULSE_LOG_SYSLOG", "1", 1);
    silenceAlsa();
    if (soundDevice != 0) {  // a second start replaces the first track
        SDL_CloseAudioDevice(soundDevice);
        soundDevice = 0;
    }
    const MutedStreams saved = muteStandardStreams();
    const bool playing = startMuted(fileName);
    restoreStandardStreams(saved);
    return playing;
}
