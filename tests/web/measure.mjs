// Figures for the web page, printed, not checked, per engine (driver.mjs): the site's sizes;
// load to the first picture (the still ?at=2000 drawn) over cold loads, beside a blank WebGL 2
// page's first clear in the same engine; and frames per second at 1280x720 in the finale (28 s
// to 40 s of the show, the two spheres on screen).
//   node tests/web/measure.mjs [--loads N] [--no-show] [--engines "chromium firefox webkit"]
// Run it where the tests run (an X display for Firefox and WebKitGTK, a sound device).
import { readFileSync, readdirSync } from "node:fs";
import { join } from "node:path";
import { gzipSync } from "node:zlib";

import { openEngine, siteDir, waitFor, waitForState } from "./driver.mjs";
import { serveFolder } from "../../web/serve.mjs";
import { watchShow, waitShowMs } from "./show.mjs";

const args = process.argv.slice(2);
const option = (name, fallback) => (args.includes(name) ? args[args.indexOf(name) + 1] : fallback);
const loads = Number(option("--loads", 5));
const playShow = !args.includes("--no-show");
const engines = option("--engines", "chromium firefox webkit").split(/[ ,]+/).filter(Boolean);

console.log("Site (bytes, gzipped):");
for (const name of readdirSync(siteDir).sort()) {
  const bytes = readFileSync(join(siteDir, name));
  console.log(
    `  ${name.padEnd(12)} ${String(bytes.length).padStart(9)} ${String(gzipSync(bytes, { level: 9 }).length).padStart(9)}`,
  );
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const blankServer = await serveFolder(new URL(".", import.meta.url).pathname);
const blankUrl = `http://127.0.0.1:${blankServer.address().port}/blank-webgl.html`;

// The page's clock when it first says it is ready: asked every millisecond from inside.
const readyAt = (page) =>
  waitFor(
    page,
    () =>
      new Promise((done) => {
        const look = () =>
          document.body?.dataset.ready === "1" ? done(performance.now()) : setTimeout(look, 1);
        look();
      }),
    { timeout: 60000 },
  );

for (const name of engines) {
  const engine = await openEngine(name);
  try {
    const show = [];
    const blank = [];
    for (let i = 0; i < loads; ++i) {
      // A fresh browser context for each load where the engine has them; the site is served
      // with no-cache and no validators, so nothing is reused in any case.
      const context = engine.browser ? await engine.browser.createBrowserContext() : null;
      const open = async () => {
        if (!context) {
          return engine.newPage({ width: 1280, height: 720 });
        }
        const page = await context.newPage();
        await page.setViewport({ width: 1280, height: 720 });
        return {
          evaluate: (fn, ...a) => page.evaluate(fn, ...a),
          goto: (path) => page.goto(path.startsWith("http") ? path : engine.origin + path),
          close: () => page.close(),
        };
      };
      let page = await open();
      await page.goto(`/index.html?at=2000&load=${i}`);
      show.push(await readyAt(page));
      await page.close();
      page = await open();
      await page.goto(`${blankUrl}?load=${i}`);
      blank.push(await readyAt(page));
      await page.close();
      await context?.close();
    }
    console.log(`\n${name}: ${loads} cold loads at 1280x720, navigation to the first picture`);
    console.log(
      `  the still ?at=2000 drawn:   ${show.map((v) => v.toFixed(0)).join(", ")} ms (median ${median(show).toFixed(0)})`,
    );
    console.log(
      `  a blank WebGL 2 page clear: ${blank.map((v) => v.toFixed(0)).join(", ")} ms (median ${median(blank).toFixed(0)})`,
    );
    console.log(`  ratio of the medians: ${(median(show) / median(blank)).toFixed(2)}`);

    if (playShow) {
      const page = await engine.newPage({ width: 1280, height: 720 });
      await page.goto("/index.html");
      await waitForState(page, "ready");
      await page.evaluate(watchShow);
      await page.click("#start button");
      await waitForState(page, "playing");
      await page.evaluate(() => document.fullscreenElement && document.exitFullscreen());
      await waitShowMs(page, 40000, 90000);
      const { frames, box } = await page.evaluate(() => ({
        frames: window.ppFrames
          .map((t) => t - window.ppClickedAt)
          .filter((t) => t >= 28000 && t < 40000).length,
        box: `${document.getElementById("canvas").width}x${document.getElementById("canvas").height}`,
      }));
      console.log(
        `  the finale (28 to 40 s) in a 1280x720 window (picture ${box}): ${(frames / 12).toFixed(1)} frames/s`,
      );
      await page.press("Escape");
      await page.close();
    }
  } finally {
    await engine.close();
  }
}
blankServer.close();
