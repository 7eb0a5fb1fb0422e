#include "web/web_sound.h"

#include <emscripten.h>

// clang-format off
EM_JS(void, prepareWebSoundTrack, (const char* url), {
    const sound = {
        buffer: null,
        context: null,
        source: null,       // the track playing, started at sourceStart (context time) ...
        sourceStart: 0,
        sourceOffset: 0,    // ... from this second of the track, ...
        startedAt: 0,       // ... at this instant of the browser's clock
        playing: false,     // a show is on
        paused: false,      // ... and out of sight
        checkTimer: 0,
    };
    Module["ppSound"] = sound;
    const driftLimitSeconds = 0.05;
    const settleMs = 250;

    sound.stopSource = () => {
        const source = sound.source;
        sound.source = null;
        if (source) {
            try {
                source.stop();
            } catch (e) {
            }
        }
    };
    sound.playFrom = (seconds) => {
        sound.stopSource();
        if (!sound.buffer || seconds >= sound.buffer.duration) {
            return;
        }
        const source = sound.context.createBufferSource();
        source.buffer = sound.buffer;
        source.connect(sound.context.destination);
        source.onended = () => {
            if (sound.source === source) {
                sound.source = null;
            }
        };
        const offset = seconds > 0 ? seconds : 0;
        source.start(0, offset);
        sound.source = source;
        sound.sourceStart = sound.context.currentTime;
        sound.sourceOffset = offset;
        sound.startedAt = performance.now();
    };
    // Where the track is, in seconds; while the context is suspended its clock and the track
    // stand still together.
    sound.follow = (showSeconds) => {
        if (!sound.playing || sound.paused || !sound.buffer || !sound.context ||
            sound.context.state !== "running") {
            return;
        }
        if (!sound.source) {
            if (showSeconds < sound.buffer.duration - driftLimitSeconds) {
                sound.playFrom(showSeconds);
            }
            return;
        }
        // A context's clock may take a moment to run evenly after a start, and on a busy machine
        // it runs slow (the sound is rendered late): the track is judged settleMs after each
        // start, by the browser's clock, so it is started again at most that often.
        const at = sound.sourceOffset + (sound.context.currentTime - sound.sourceStart);
        if (performance.now() - sound.startedAt >= settleMs &&
            Math.abs(at - showSeconds) > driftLimitSeconds) {
            sound.playFrom(showSeconds);
        }
    };
    // The line that says the sound is off shows while a show is on, in sight, and its context
    // has not been running for about a second.
    sound.judgeSoon = () => {
        clearTimeout(sound.checkTimer);
        sound.checkTimer = setTimeout(sound.judge, 1000);
    };
    sound.judge = () => {
        clearTimeout(sound.checkTimer);
        const off = sound.playing && !sound.paused && sound.context &&
                    sound.context.state !== "running";
        if (off) {
            document.body.dataset.sound = "off";
        } else {
            delete document.body.dataset.sound;
        }
    };
    // The line's button, inside its click or tap: a suspended or interrupted context resumes,
    // and the next frame starts the track at the show's time.
    sound.turnOn = () => {
        if (sound.context) {
            sound.context.resume().catch(() => {});
        }
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
        try {
            sound.context = new Context();
        } catch (e) {
            return;
        }
        sound.context.onstatechange = () => {
            if (sound.context.state === "running") {
                sound.judge();
            } else if (sound.playing && !sound.paused) {
                sound.judgeSoon();
            }
        };
    }
    sound.context.resume().catch(() => {});
    sound.playing = true;
    sound.paused = false;
    sound.stopSource();
    sound.follow(0);
    sound.judgeSoon();
});

EM_JS(void, followWebSoundTrack, (double showMs), {
    const sound = Module["ppSound"];
    if (sound) {
        sound.follow(showMs / 1000);
    }
});

EM_JS(void, pauseWebSoundTrack, (), {
    const sound = Module["ppSound"];
    if (!sound || !sound.playing) {
        return;
    }
    sound.paused = true;
    sound.stopSource();
    if (sound.context) {
        sound.context.suspend().catch(() => {});
    }
    sound.judge();
});

EM_JS(void, resumeWebSoundTrack, (double showMs), {
    const sound = Module["ppSound"];
    if (!sound || !sound.playing) {
        return;
    }
    sound.paused = false;
    if (sound.context) {
        sound.context.resume().catch(() => {});
    }
    sound.follow(showMs / 1000);
    sound.judgeSoon();
});

EM_JS(void, stopWebSoundTrack, (), {
    const sound = Module["ppSound"];
    if (!sound) {
        return;
    }
    sound.playing = false;
    sound.stopSource();
    if (sound.context) {
        sound.context.suspend().catch(() => {});
    }
    sound.judge();
});
// clang-format on
