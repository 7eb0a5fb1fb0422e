#include "web/web_sound.h"

#include <emscripten.h>

// clang-format off
EM_JS(void, prepareWebSoundTrack, (const char* url), {
    const sound = {buffer: null, context: null, source: null, playing: false, startedAt: 0};
    Module["ppSound"] = sound;
    // Plays the decoded track in step with the show: from its first sample when it is ready in
    // time, from the show's time when decoding was late.
    sound.play = () => {
        if (!sound.playing || !sound.buffer || !sound.context || sound.source) {
            return;
        }
        const lateSeconds = (performance.now() - sound.startedAt) / 1000;
        if (lateSeconds >= sound.buffer.duration) {
            return;
        }
        const source = sound.context.createBufferSource();
        source.buffer = sound.buffer;
        source.connect(sound.context.destination);
        source.start(0, lateSeconds > 0.05 ? lateSeconds : 0);
        sound.source = source;
    };
    const Decoder = globalThis.OfflineAudioContext || globalThis.webkitOfflineAudioContext;
    if (!Decoder || !globalThis.fetch) {
        return;
    }
    fetch(UTF8ToString(url))
        .then((response) => {
            if (!response.ok) {
                throw new Error(response.statusText);
            }
            return response.arrayBuffer();
        })
        .then((bytes) => new Decoder(1, 1, 48000).decodeAudioData(bytes))
        .then((buffer) => {
            sound.buffer = buffer;
            sound.play();
        })
        .catch(() => {});
});

EM_JS(void, startWebSoundTrack, (), {
    const sound = Module["ppSound"];
    const Context = globalThis.AudioContext || globalThis.webkitAudioContext;
    if (!sound || !Context) {
        return;
    }
    if (!sound.context) {
        sound.context = new Context();
    }
    sound.context.resume().catch(() => {});
    sound.playing = true;
    sound.startedAt = performance.now();
    sound.play();
});

EM_JS(void, stopWebSoundTrack, (), {
    const sound = Module["ppSound"];
    if (!sound) {
        return;
    }
    sound.playing = false;
    if (sound.source) {
        try {
            sound.source.stop();
        } catch (e) {
        }
        sound.source = null;
    }
    if (sound.context) {
        sound.context.suspend().catch(() => {});
    }
});
// clang-format on
