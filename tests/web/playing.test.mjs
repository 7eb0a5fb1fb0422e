// The page played as a user plays it: the start button, a few seconds of the show with its
// sound track, the keys, Escape and the end screen, and playing it again. In each engine
// (PP_WEB_ENGINE); PP_WEB_FULL_SHOW=1 adds the whole show and its length.
import assert from "node:assert/strict";
import { after, before, test } from "node:test";

import { openEngine, waitFor, waitForState } from "./driver.mjs";
import { brightest, comparePictures, crop } from "./png.mjs";
import { canvasShot, showMs, waitShowMs, watchShow } from "./show.mjs";

const engineLabel = process.env.PP_WEB_ENGINE || "chromium";
let engine;
before(async () => {
  engine = await openEngine();
});
after(async () => engine?.close());

const nextFrames = (page) =>
  page.evaluate(
    () =>
      new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(() => done(true)))),
  );

// The loudest short-time RMS the tap hears between two instants of the show.
function loudness(page, fromMs, toMs) {
  return page.evaluate(
    async (from, to) => {
      const showMs = () => performance.now() - window.ppClickedAt;
      while (showMs() < from) {
        await new Promise((done) => setTimeout(done, 5));
      }
      const tap = window.ppTap;
      const samples = new Float32Array(tap ? tap.analyser.fftSize : 0);
      let loudest = 0;
      while (showMs() < to) {
        if (tap) {
          tap.analyser.getFloatTimeDomainData(samples);
          const rms = Math.sqrt(samples.reduce((sum, v) => sum + v * v, 0) / samples.length);
          loudest = Math.max(loudest, rms);
        }
        await new Promise((done) => setTimeout(done, 10));
      }
      return { loudest, state: tap ? tap.context.state : "no audio" };
    },
    fromMs,
    toMs,
  );
}

// Escape ends the show; in full screen the browser may keep the first one to leave it.
async function pressEscapeToEnd(page) {
  await page.press("Escape");
  const first = await waitFor(
    page,
    () =>
      document.body.dataset.state === "ended"
        ? "ended"
        : !document.fullscreenElement
          ? "out of full screen"
          : null,
    { timeout: 5000 },
  );
  if (first !== "ended") {
    await new Promise((done) => setTimeout(done, 200));
    if ((await page.evaluate(() => document.body.dataset.state)) !== "ended") {
      await page.press("Escape");
    }
  }
  await waitForState(page, "ended", 5000);
  return first;
}

test(`${engineLabel}: started by its button, the show plays with sound, answers its keys and ends on Escape`, async (t) => {
  const page = await engine.newPage({ width: 480, height: 300 });
  await page.goto("/index.html");
  await waitForState(page, "ready");
  await page.evaluate(watchShow);
  const width = await page.evaluate(() => innerWidth);
  await page.click("#start button");
  await waitForState(page, "playing");
  // Full screen left by the browser's own control keeps the show playing, in the window.
  const wasFullScreen = await page.evaluate(async () => {
    const was = Boolean(document.fullscreenElement);
    if (was) {
      await document.exitFullscreen();
    }
    return was;
  });
  await waitFor(page, (w) => !document.fullscreenElement && innerWidth === w, {
    args: [width],
    timeout: 5000,
  });
  t.diagnostic(`full screen on start: ${wasFullScreen}`);

  // The camera flies from the start: frames follow one another.
  await waitShowMs(page, 1000);
  const early = await canvasShot(page);
  await waitShowMs(page, 2000);
  const later = await canvasShot(page);
  const flown =
    early.width === later.width && early.height === later.height
      ? comparePictures(early, later).changed
      : 1;
  const frames = await page.evaluate(
    () => window.ppFrames.filter((at) => at > window.ppClickedAt).length,
  );
  t.diagnostic(
    `between 1 s and 2 s ${(100 * flown).toFixed(1)} % of the picture changed; ` +
      `${frames} frames in ${((await showMs(page)) / 1000).toFixed(2)} s`,
  );
  assert.ok(flown > 0.05, "the picture moves");
  assert.equal(await page.evaluate(() => document.body.dataset.state), "playing");

  // c hands the eye to the keys; ten presses of a move it 0.5 along -x. Before the first roll
  // (3.6 s) nothing moves but the eye, so the picture changes only by the keys.
  await page.press("c");
  await nextFrames(page);
  const still = await canvasShot(page);
  const stillAgain = await canvasShot(page);
  for (let i = 0; i < 10; ++i) {
    await page.press("a");
  }
  await nextFrames(page);
  const moved = await canvasShot(page);
  const byTime = comparePictures(still, stillAgain).changed;
  const byKeys = comparePictures(stillAgain, moved).changed;
  t.diagnostic(
    `manual eye: ${(100 * byTime).toFixed(1)} % changed by time alone, ` +
      `${(100 * byKeys).toFixed(1)} % after the a presses`,
  );
  assert.ok(byKeys > 0.02 && byKeys > 3 * byTime, "the a key moves the eye");

  // The first rolls' beats, at 3.6 s and 4.2 s, reach the speakers, from the compressed track.
  const beat = await loudness(page, 3550, 4500);
  const format = await page.evaluate(() => document.body.dataset.trackFormat);
  t.diagnostic(
    `sound at the first roll: RMS ${beat.loudest.toFixed(4)}, context ${beat.state}, track ${format}`,
  );
  assert.equal(format, "webm");
  assert.equal(beat.state, "running");
  assert.ok(beat.loudest > 0.01, "the sound track carries the beat");

  // Escape ends the show: the end screen, black behind its button, and silence.
  const firstEscape = await pressEscapeToEnd(page);
  t.diagnostic(`the first Escape: ${firstEscape}`);
  const corner = crop(await canvasShot(page), { x: 0, y: 0, width: 60, height: 40 });
  assert.equal(brightest(corner), 0, "the end screen is black");
  const quiet = await page.evaluate(async () => {
    await new Promise((done) => setTimeout(done, 300));
    const tap = window.ppTap;
    if (tap.context.state !== "running") {
      return true; // a suspended context sends nothing to the speakers
    }
    const samples = new Float32Array(tap.analyser.fftSize);
    tap.analyser.getFloatTimeDomainData(samples);
    return Math.max(...samples.map(Math.abs)) < 1e-4;
  });
  assert.ok(quiet, "the sound stops with the show");

  // Played again, the show starts over.
  await page.click("#again button");
  await waitForState(page, "playing");
  await waitShowMs(page, 500);
  await pressEscapeToEnd(page);
  assert.deepEqual(page.errors, []);
  await page.close();
});

// The whole show keeps its own time: its fade's last tick is due 70 590 ms after the start, and
// the sound track stands there when it ends.
test(
  `${engineLabel}: the whole show ends by itself after about 70.6 s`,
  { skip: process.env.PP_WEB_FULL_SHOW !== "1" },
  async (t) => {
    const page = await engine.newPage({ width: 480, height: 300 });
    await page.goto("/index.html");
    await waitForState(page, "ready");
    await page.evaluate(watchShow);
    await page.click("#start button");
    await waitForState(page, "ended", 90000);
    const { lengthMs, music } = await page.evaluate(() => ({
      lengthMs: window.ppStates.find((s) => s.state === "ended").at - window.ppClickedAt,
      music: window.ppMusic.filter((m) => m.event === "stop").at(-1),
    }));
    t.diagnostic(
      `the show lasted ${(lengthMs / 1000).toFixed(2)} s; the track stood at ` +
        `${music ? music.trackAt.toFixed(3) : "-"} s`,
    );
    assert.ok(lengthMs >= 70500 && lengthMs <= 71500, `${lengthMs} ms`);
    assert.ok(music && Math.abs(music.trackAt - 70.59) <= 0.1, JSON.stringify(music));
    assert.deepEqual(page.errors, []);
    await page.close();
  },
);
