// Figures for the web page, printed, not checked: the site's sizes, the time from loading the
// page to its first frame, frames per second per phase of the show at 1280x720 in headless
// Chromium (WebGL through SwiftShader on the CPU), and the show's length.
//   node tests/web/measure.mjs [--loads N] [--no-show]
import { readFileSync, readdirSync } from "node:fs";
import { join } from "node:path";
import { gzipSync } from "node:zlib";

import { openBrowser, siteDir } from "./browser.mjs";

const args = process.argv.slice(2);
const loads = Number(args[args.indexOf("--loads") + 1]) || 5;
const playShow = !args.includes("--no-show");

console.log("Site (bytes, gzipped):");
let code = [0, 0];
for (const name of readdirSync(siteDir).sort()) {
  const bytes = readFileSync(join(siteDir, name));
  const gzipped = gzipSync(bytes, { level: 9 }).length;
  console.log(`  ${name.padEnd(12)} ${String(bytes.length).padStart(9)} ${String(gzipped).padStart(9)}`);
  if (name.endsWith(".wasm") || name.endsWith(".js")) {
    code = [code[0] + bytes.length, code[1] + gzipped];
  }
}
console.log(`  wasm + js    ${String(code[0]).padStart(9)} ${String(code[1]).padStart(9)}`);

// Before the page's scripts: every frame of the show starts with a clear of colour and depth.
function countFrames() {
  window.ppFrames = [];
  document.addEventListener("click", () => { window.ppClickedAt = performance.now(); }, true);
  const clear = WebGL2RenderingContext.prototype.clear;
  WebGL2RenderingContext.prototype.clear = function (mask) {
    window.ppFrames.push(performance.now());
    return clear.call(this, mask);
  };
}

const session = await openBrowser();
try {
  const still = [];
  const ready = [];
  const firstShowFrame = [];
  for (let i = 0; i < loads; ++i) {
    // A fresh context for each load: nothing cached.
    const context = await session.browser.createBrowserContext();
    const page = await context.newPage();
    await page.setViewport({ width: 1280, height: 720, deviceScaleFactor: 1 });
    await page.evaluateOnNewDocument(countFrames);
    await page.goto(`${session.origin}/index.html?at=2000`);
    await page.waitForFunction(() => document.body.dataset.ready === "1", { timeout: 30000 });
    still.push(await page.evaluate(() => performance.now()));
    await page.goto(`${session.origin}/index.html?fresh=${i}`);
    await page.waitForFunction(() => document.body.dataset.state === "ready", { timeout: 30000 });
    ready.push(await page.evaluate(() => performance.now()));
    await page.click("#start button");
    await page.waitForFunction(
        () => window.ppFrames.some((t) => t > window.ppClickedAt + 1), { timeout: 30000 });
    firstShowFrame.push(await page.evaluate(
        () => window.ppFrames.find((t) => t > window.ppClickedAt + 1) - window.ppClickedAt));
    await context.close();
  }
  const show = (label, values) =>
    console.log(`${label}: ${values.map((v) => v.toFixed(0)).join(", ")} ms ` +
                `(median ${[...values].sort((a, b) => a - b)[Math.floor(values.length / 2)].toFixed(0)})`);
  console.log(`\n${loads} cold loads at 1280x720:`);
  show("  loading ?at=2000 to its picture drawn", still);
  show("  loading the page to its start button", ready);
  show("  start button to the show's first frame", firstShowFrame);

  if (playShow) {
    const page = await session.browser.newPage();
    await page.setViewport({ width: 1280, height: 720, deviceScaleFactor: 1 });
    await page.evaluateOnNewDocument(countFrames);
    await page.goto(`${session.origin}/index.html`);
    await page.waitForFunction(() => document.body.dataset.state === "ready", { timeout: 30000 });
    await page.click("#start button");
    await page.waitForFunction(() => {
      if (document.body.dataset.state === "ended" && !window.ppEndedAt) {
        window.ppEndedAt = performance.now();
      }
      return Boolean(window.ppEndedAt);
    }, { timeout: 120000, polling: 10 });
    const { frames, lengthMs } = await page.evaluate(() => ({
      frames: window.ppFrames.filter((t) => t > window.ppClickedAt && t < window.ppEndedAt)
                  .map((t) => t - window.ppClickedAt),
      lengthMs: window.ppEndedAt - window.ppClickedAt,
    }));
    // The schedule's phases: the rolls, the block standing and spreading, the ball, the fade.
    const phases = [["building", 0, 18800], ["block and spread", 18800, 26600],
                    ["finale", 26600, 58100], ["fade", 58100, lengthMs]];
    console.log(`\nThe whole show at 1280x720: ${(lengthMs / 1000).toFixed(2)} s, ${frames.length} frames`);
    for (const [name, from, to] of phases) {
      const count = frames.filter((t) => t >= from && t < to).length;
      console.log(`  ${name.padEnd(17)} ${(count / ((to - from) / 1000)).toFixed(1)} frames/s`);
    }
  }
} finally {
  await session.close();
}
