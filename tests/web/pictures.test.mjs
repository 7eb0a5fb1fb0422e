// The page's still pictures (?at=MS) against pp-render's pictures of the same instants and
// size: the same show drawn by the web platform's GL layer over WebGL and by Mesa. The window
// is 960x540, so the picture is the 756x540 box of the show's aspect, centred on black.
//   PP_WEB_ENGINE    chromium, firefox or webkit (driver.mjs)
//   PP_RENDER        the pp-render program (it needs an X display)
//   PP_WEB_TEST_OUT  if set, receives web-ENGINE-MS.png, the page's pictures
import assert from "node:assert/strict";
import { writeFileSync } from "node:fs";
import { join } from "node:path";
import { after, before, test } from "node:test";

import { canvasPicture, openEngine, waitFor, waitForState } from "./driver.mjs";
import { brightest, comparePictures, crop, decodePng } from "./png.mjs";
import { renderReference } from "./show.mjs";

export const windowSize = { width: 960, height: 540 };
// Building, block complete, the finale, the ball's translucent shell close up, the fade.
export const instants = [2000, 22000, 40000, 47500, 65000];
const minimumPsnr = 35;

let engine;
before(async () => {
  engine = await openEngine();
});
after(async () => engine?.close());

for (const [index, at] of instants.entries()) {
  test(`${process.env.PP_WEB_ENGINE || "chromium"}: the page at ${at} ms draws pp-render's picture`, async (t) => {
    const page = await engine.newPage(windowSize);
    await page.goto(`/index.html?at=${at}`);
    await waitFor(page, () => document.body.dataset.ready === "1");
    const { png, rect } = await canvasPicture(page);
    const mine = decodePng(png);
    const out = process.env.PP_WEB_TEST_OUT;
    if (out) {
      writeFileSync(join(out, `web-${engine.name}-${at}.png`), png);
    }
    // The box of the show's aspect, centred, with black beside it.
    assert.deepEqual([mine.width, mine.height], [756, 540]);
    assert.ok(
      Math.abs(rect.x - (windowSize.width - rect.width) / 2) <= 0.5 && Math.abs(rect.y) <= 0.5,
      `the canvas at ${JSON.stringify(rect)}`,
    );
    if (index === 0) {
      const shot = decodePng(await page.screenshot());
      const side = crop(shot, {
        x: 0,
        y: 0,
        width: Math.floor((rect.x * shot.width) / windowSize.width),
        height: shot.height,
      });
      assert.equal(brightest(side), 0, "black beside the picture");
    }
    const result = comparePictures(mine, decodePng(renderReference(at, mine.width, mine.height)));
    t.diagnostic(
      `${at} ms: PSNR ${result.psnr.toFixed(2)} dB, ` +
        `${(100 * result.withinEight).toFixed(3)} % of pixels within 8 levels`,
    );
    assert.ok(result.psnr >= minimumPsnr, `PSNR ${result.psnr.toFixed(2)} dB < ${minimumPsnr}`);
    assert.deepEqual(page.errors, []);
    await page.close();
  });
}

test("an instant after the show's end is black, and a malformed one plays the show", async () => {
  const page = await engine.newPage({ width: 420, height: 300 });
  await page.goto("/index.html?at=80000");
  await waitFor(page, () => document.body.dataset.ready === "1");
  assert.equal(brightest(decodePng((await canvasPicture(page)).png)), 0);
  await page.goto("/index.html?at=12e3");
  await waitForState(page, "ready");
  assert.deepEqual(page.errors, []);
  await page.close();
});
