// The page's start on a phone's network, printed, not checked: Chromium throttled as Lighthouse's
// mobile (1.6 Mbit/s down, 150 ms round trip), the start button pressed the moment it shows.
// Prints, from the navigation: when the button shows, when the sound track is ready, when the
// show's picture starts and when its music starts, and where the track stood then.
//   node tests/web/measure-start.mjs [--loads N]
import { openEngine, waitFor, waitForState } from "./driver.mjs";
import { throttleLikeAPhone, watchShow } from "./show.mjs";

const args = process.argv.slice(2);
const loads = Number(args.includes("--loads") ? args[args.indexOf("--loads") + 1] : 3);
const engine = await openEngine("chromium");
try {
  console.log(
    "load | button shows | track ready | pressed | picture starts | music starts | track at",
  );
  for (let i = 0; i < loads; ++i) {
    const page = await engine.newPage({ width: 960, height: 540 });
    await throttleLikeAPhone(page);
    await page.puppeteer.evaluateOnNewDocument(watchShow);
    await page.goto(`/index.html?load=${i}`);
    await waitForState(page, "ready", 60000);
    await page.click("#start button");
    await waitFor(page, () => window.ppMusic.length > 0 && window.ppShowStartedAt, {
      timeout: 60000,
      every: 5,
    });
    await waitFor(
      page,
      () => document.body.dataset.track === "ready" || window.Module?.ppSound?.buffer,
      { timeout: 60000, every: 5 },
    );
    const t = await page.evaluate(() => ({
      button: window.ppStates.find((s) => s.state === "ready").at,
      track: window.ppTrackReadyAt,
      pressed: window.ppPressedAt,
      picture: window.ppShowStartedAt,
      music: window.ppMusic[0].at,
      trackAt: window.ppMusic[0].trackAt,
    }));
    const s = (ms) => `${(ms / 1000).toFixed(2)} s`;
    console.log(
      `${i} | ${s(t.button)} | ${t.track ? s(t.track) : "-"} | ${s(t.pressed)} | ${s(t.picture)} | ` +
        `${s(t.music)} | ${t.trackAt.toFixed(2)} s`,
    );
    await page.press("Escape");
    await page.close();
  }
} finally {
  await engine.close();
}
