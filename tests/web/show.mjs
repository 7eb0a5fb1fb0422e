// What the played tests share: the page watched from inside once it has loaded, and pictures of
// it taken as the viewer sees them.
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";

import { siteDir, waitFor } from "./driver.mjs";
import { crop, decodePng } from "./png.mjs";

// Installed in the loaded page before its start button is pressed (or before the page exists):
// notes when the start button was pressed (ppPressedAt), when the show started (ppClickedAt:
// the press, or the end of the wait for the sound track that followed it), when the track was
// ready (ppTrackReadyAt), every state the page passes through, and where the sound track stood
// each time it was started and stopped; taps whatever the page sends to the speakers into an analyser,
// leaving what is heard unchanged; counts the frames (each begins with a clear).
export function watchShow() {
  if (window.ppWatched) {
    return;
  }
  window.ppWatched = true;
  window.ppStates = [];
  window.ppMusic = [];
  window.ppFrames = [];
  const showMs = () => performance.now() - window.ppClickedAt;
  const started = () => {
    window.ppPressedAt = performance.now();
    if (!window.ppClickedAt || window.ppStates.at(-1)?.state === "ended") {
      window.ppClickedAt = performance.now();
    }
  };
  const trackReady = setInterval(() => {
    if (document.body?.dataset.track === "ready" || window.Module?.ppSound?.buffer) {
      window.ppTrackReadyAt = performance.now();
      clearInterval(trackReady);
    }
  }, 5);
  document.addEventListener("click", started, true);
  document.addEventListener("pointerup", started, true);
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (target, ...rest) {
    if (target instanceof AudioDestinationNode) {
      if (!window.ppTap) {
        const context = target.context;
        const analyser = context.createAnalyser();
        analyser.fftSize = 1024;
        const mute = context.createGain();
        mute.gain.value = 0;
        connect.call(analyser, mute);
        connect.call(mute, context.destination);
        window.ppTap = { context, analyser };
      }
      connect.call(this, window.ppTap.analyser);
    }
    return connect.call(this, target, ...rest);
  };
  const start = AudioBufferSourceNode.prototype.start;
  AudioBufferSourceNode.prototype.start = function (when = 0, offset = 0, ...rest) {
    this.ppStartedAt = this.context.currentTime;
    this.ppOffset = offset;
    window.ppMusic.push({
      event: "start",
      trackAt: offset,
      showMs: showMs(),
      at: performance.now(),
    });
    return start.call(this, when, offset, ...rest);
  };
  const stop = AudioBufferSourceNode.prototype.stop;
  AudioBufferSourceNode.prototype.stop = function (...rest) {
    if (this.ppStartedAt !== undefined) {
      window.ppMusic.push({
        event: "stop",
        trackAt: this.ppOffset + this.context.currentTime - this.ppStartedAt,
        showMs: showMs(),
        state: this.context.state,
      });
    }
    return stop.apply(this, rest);
  };
  // Installed before the page exists, the watch waits for its body.
  const watchStates = () =>
    new MutationObserver(() => {
      const state = document.body.dataset.state;
      const last = window.ppStates.at(-1)?.state;
      if (last !== state) {
        window.ppStates.push({ state, at: performance.now() });
        if (state === "playing") {
          window.ppShowStartedAt ??= performance.now();
          if (last === "starting") {
            window.ppClickedAt = performance.now();
          }
        }
      }
    }).observe(document.body, { attributes: true, attributeFilter: ["data-state"] });
  if (document.body) {
    watchStates();
  } else {
    document.addEventListener("DOMContentLoaded", watchStates);
  }
  const clear = WebGL2RenderingContext.prototype.clear;
  WebGL2RenderingContext.prototype.clear = function (mask) {
    window.ppFrames.push(performance.now());
    return clear.call(this, mask);
  };
}

// Chromium's network for the page throttled as Lighthouse's phone: 1.6 Mbit/s down, 750 kbit/s
// up, 150 ms round trip; nothing cached.
export async function throttleLikeAPhone(page) {
  const session = await page.puppeteer.createCDPSession();
  await session.send("Network.enable");
  await session.send("Network.setCacheDisabled", { cacheDisabled: true });
  await session.send("Network.emulateNetworkConditions", {
    offline: false,
    latency: 150,
    downloadThroughput: 1.6e6 / 8,
    uploadThroughput: 750e3 / 8,
  });
}

// Milliseconds since the show was started, in the page's own clock.
export const showMs = (page) => page.evaluate(() => performance.now() - window.ppClickedAt);
export const waitShowMs = (page, ms, timeout = 60000) =>
  waitFor(page, (t) => performance.now() - window.ppClickedAt >= t, {
    args: [ms],
    timeout,
    every: 5,
  });

// The canvas as the viewer sees it: the viewport's screenshot cut to the canvas.
export async function canvasShot(page) {
  const shot = decodePng(await page.screenshot());
  const rect = await page.evaluate(() => {
    const r = document.getElementById("canvas").getBoundingClientRect();
    return { x: r.x, y: r.y, width: r.width, height: r.height };
  });
  const scale = shot.width / (await page.evaluate(() => innerWidth));
  const x = Math.round(rect.x * scale);
  const y = Math.round(rect.y * scale);
  return crop(shot, {
    x,
    y,
    width: Math.min(Math.round(rect.width * scale), shot.width - x),
    height: Math.min(Math.round(rect.height * scale), shot.height - y),
  });
}

// pp-render's picture of an instant at a size, as PNG bytes; run in the site's folder so that
// it reads the same texture. PP_RENDER names the program.
const referenceDir = mkdtempSync(join(tmpdir(), "pp-render-pictures-"));
process.on("exit", () => rmSync(referenceDir, { recursive: true, force: true }));
export function renderReference(at, width, height) {
  if (!process.env.PP_RENDER) {
    throw new Error("PP_RENDER names the pp-render program");
  }
  const file = join(referenceDir, `at-${at}-${width}x${height}.png`);
  execFileSync(
    process.env.PP_RENDER,
    ["--at", String(at), "--size", `${width}x${height}`, "-o", file],
    { cwd: siteDir, stdio: ["ignore", "ignore", "inherit"] },
  );
  return readFileSync(file);
}
