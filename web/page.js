// The page's side of the program: the functions web/main.cpp and web/web_sound.h call
// (declared there), linked into pp.js by emscripten as a JavaScript library. They reach the page
// (its state, its address, the texture, the sight of the tab) and play the sound track with
// Web Audio. What the track does is explained in web/web_sound.h.
/* global mergeInto, LibraryManager, Module, UTF8ToString, HEAPU8, _malloc, _free */
/* global _ppWebPageShown, _ppWebSkinArrived, _ppWebSoundTrackSettled */

mergeInto(LibraryManager.library, {
  // The page

  setPageState: function (state) {
    document.body.dataset.state = UTF8ToString(state);
  },

  announceStillDrawn: function () {
    document.body.dataset.ready = "1";
  },

  markContext: function (mark) {
    if (mark) {
      document.body.dataset.context = UTF8ToString(mark);
    } else {
      delete document.body.dataset.context;
    }
  },

  markPaused: function (paused, showMs) {
    if (paused) {
      document.body.dataset.paused = "1";
      document.body.dataset.pausedAt = String(Math.round(showMs));
    } else {
      delete document.body.dataset.paused;
      delete document.body.dataset.pausedAt;
    }
  },

  // The start screen's line that says the address's ?from= is not an instant of the show.
  markBadStartInstant: function () {
    document.body.dataset.from = "bad";
  },

  windowCssWidth: function () {
    return window.innerWidth;
  },

  windowCssHeight: function () {
    return window.innerHeight;
  },

  // An instant in the page's address (?at=MS, ?from=MS): whole milliseconds, at most nine
  // digits. -1 when absent, -2 when it is something else.
  instantFromAddress: function (name) {
    const value = new URLSearchParams(location.search).get(UTF8ToString(name));
    if (value === null) {
      return -1;
    }
    return /^[0-9]{1,9}$/.test(value) ? Number(value) : -2;
  },

  // Tells ppWebPageShown whenever the page comes into or goes out of sight: hidden (another
  // tab, a minimised window, a phone's lock), frozen by the browser, or put in the back-forward
  // cache.
  watchPageSight: function () {
    let frozen = false;
    const tell = () => _ppWebPageShown(document.visibilityState !== "hidden" && !frozen ? 1 : 0);
    document.addEventListener("visibilitychange", tell);
    document.addEventListener("freeze", () => {
      frozen = true;
      tell();
    });
    document.addEventListener("resume", () => {
      frozen = false;
      tell();
    });
    window.addEventListener("pagehide", () => {
      frozen = true;
      tell();
    });
    window.addEventListener("pageshow", () => {
      frozen = false;
      tell();
    });
    tell();
  },

  leaveFullScreen: function () {
    if (document.fullscreenElement && document.exitFullscreen) {
      document.exitFullscreen().catch(() => {});
    }
  },

  // Hands the bytes of skin.bmp to ppWebSkinArrived: those the page began to fetch while it
  // loaded (Module.skinBytes), or fetched now. None when the file cannot be had.
  takeSkinBytes: function () {
    const pending =
      Module["skinBytes"] ||
      fetch("skin.bmp").then((response) => (response.ok ? response.arrayBuffer() : null));
    Promise.resolve(pending)
      .catch(() => null)
      .then((buffer) => {
        const size = buffer ? buffer.byteLength : 0;
        const at = size > 0 ? _malloc(size) : 0;
        if (at) {
          HEAPU8.set(new Uint8Array(buffer), at);
        }
        _ppWebSkinArrived(at, at ? size : 0);
        if (at) {
          _free(at);
        }
      });
  },

  // The sound track

  prepareWebSoundTrack: function () {
    const sound = {
      buffer: null,
      settled: false, // the track is decoded, or cannot be had
      context: null,
      source: null, // the track playing, started at sourceStart (context time) ...
      sourceStart: 0,
      sourceOffset: 0, // ... from this second of the track, ...
      startedAt: 0, // ... at this instant of the browser's clock
      playing: false, // a show is on
      paused: false, // ... and stands still (out of sight, or paused by the viewer)
      muted: false,
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
          // already stopped
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
      if (
        !sound.playing ||
        sound.paused ||
        sound.muted ||
        !sound.buffer ||
        !sound.context ||
        sound.context.state !== "running"
      ) {
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
      if (
        performance.now() - sound.startedAt >= settleMs &&
        Math.abs(at - showSeconds) > driftLimitSeconds
      ) {
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
      const off =
        sound.playing && !sound.paused && sound.context && sound.context.state !== "running";
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

    // The compressed track where the browser says it plays Opus in WebM, else the WAVE; a
    // compressed one it then cannot decode gives way to the WAVE too. The fetch starts once the
    // start screen's still is painted (index.html), and its progress shows on the start screen.
    const progress = document.getElementById("track-progress");
    const settle = (buffer, format) => {
      sound.buffer = buffer;
      sound.settled = true;
      document.body.dataset.track = buffer ? "ready" : "none";
      if (format) {
        document.body.dataset.trackFormat = format;
      }
      _ppWebSoundTrackSettled();
    };
    const Decoder = globalThis.OfflineAudioContext || globalThis.webkitOfflineAudioContext;
    if (!Decoder || !globalThis.fetch) {
      settle(null, null);
      return;
    }
    const probe = document.createElement("audio");
    const tracks = [{ url: "bla_11.wav", format: "wav" }];
    if (probe.canPlayType && probe.canPlayType('audio/webm; codecs="opus"') !== "") {
      tracks.unshift({ url: "bla_11.webm", format: "webm" });
    }
    const fetchBytes = async (url) => {
      const response = await fetch(url);
      if (!response.ok) {
        throw new Error(response.statusText);
      }
      const total = Number(response.headers.get("Content-Length")) || 0;
      if (!response.body || !total || !progress) {
        return response.arrayBuffer();
      }
      const bytes = new Uint8Array(total);
      const reader = response.body.getReader();
      let received = 0;
      for (;;) {
        const { done, value } = await reader.read();
        if (done) {
          break;
        }
        if (received + value.length > total) {
          throw new Error("longer than announced");
        }
        bytes.set(value, received);
        received += value.length;
        progress.value = received / total;
      }
      return bytes.buffer.slice(0, received);
    };
    const load = async () => {
      for (const track of tracks) {
        try {
          const bytes = await fetchBytes(track.url);
          const buffer = await new Decoder(1, 1, 48000).decodeAudioData(bytes);
          settle(buffer, track.format);
          return;
        } catch (e) {
          // the next one
        }
      }
      settle(null, null);
    };
    Promise.resolve(Module["stillPainted"]).then(load);
  },

  webSoundTrackSettled: function () {
    const sound = Module["ppSound"];
    return !sound || sound.settled ? 1 : 0;
  },

  startWebSoundTrack: function (showMs) {
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
    sound.follow(showMs / 1000);
    sound.judgeSoon();
  },

  followWebSoundTrack: function (showMs) {
    const sound = Module["ppSound"];
    if (sound) {
      sound.follow(showMs / 1000);
    }
  },

  // The show has jumped: the track joins it at once, without waiting to be judged.
  jumpWebSoundTrack: function (showMs) {
    const sound = Module["ppSound"];
    if (sound) {
      sound.stopSource();
      sound.follow(showMs / 1000);
    }
  },

  muteWebSoundTrack: function (muted, showMs) {
    const sound = Module["ppSound"];
    if (!sound) {
      return;
    }
    sound.muted = Boolean(muted);
    document.body.dataset.muted = muted ? "1" : "0";
    if (muted) {
      sound.stopSource();
    } else {
      sound.follow(showMs / 1000);
    }
  },

  pauseWebSoundTrack: function () {
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
  },

  resumeWebSoundTrack: function (showMs) {
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
  },

  stopWebSoundTrack: function () {
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
  },
});
