// The page's still pictures (?at=MS) against pp-render's pictures of the same instants and
// size: the same show drawn by the web platform's GL layer over WebGL and by Mesa.
//   PP_RENDER        the pp-render program (it needs an X display), run in the site's folder so
//                    that it reads the same texture
//   PP_WEB_TEST_OUT  if set, receives web-MS.png and differ-MS.png (where the pictures differ)
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after, before, test } from "node:test";

import { compareCanvasWith, openBrowser, openPage, siteDir } from "./browser.mjs";

export const pictureSize = { width: 960, height: 540 };
// Building, block complete, the finale, the ball's translucent shell close up, the fade.
export const instants = [2000, 22000, 40000, 47500, 65000];
const minimumPsnr = 35;

const referenceDir = mkdtempSync(join(tmpdir(), "pp-render-pictures-"));
let session;

before(async () => {
  assert.ok(process.env.PP_RENDER, "PP_RENDER names the pp-render program");
  session = await openBrowser();
});
after(async () => {
  await session?.close();
  rmSync(referenceDir, { recursive: true, force: true });
});

function renderReference(at) {
  const file = join(referenceDir, `at-${at}.png`);
  execFileSync(process.env.PP_RENDER,
               ["--at", String(at), "--size", `${pictureSize.width}x${pictureSize.height}`, "-o", file],
               { cwd: siteDir, stdio: ["ignore", "ignore", "inherit"] });
  return readFileSync(file);
}

for (const at of instants) {
  test(`the page at ${at} ms draws pp-render's picture`, async (t) => {
    const { page, errors } = await openPage(session.browser, pictureSize.width, pictureSize.height);
    await page.goto(`${session.origin}/index.html?at=${at}`);
    await page.waitForFunction(() => document.body.dataset.ready === "1", { timeout: 30000 });
    const out = process.env.PP_WEB_TEST_OUT;
    const result = await compareCanvasWith(page, renderReference(at), Boolean(out));
    if (out) {
      await page.screenshot({ path: join(out, `web-${at}.png`) });
      writeFileSync(join(out, `differ-${at}.png`), Buffer.from(result.mapPng, "base64"));
    }
    await page.close();
    assert.equal(result.error, undefined, result.error);
    t.diagnostic(`${at} ms: PSNR ${result.psnr.toFixed(2)} dB, ` +
                 `${(100 * result.withinEight).toFixed(3)} % of pixels within 8 levels, ` +
                 `the others within ${JSON.stringify(result.differing)}`);
    assert.ok(result.psnr >= minimumPsnr, `PSNR ${result.psnr.toFixed(2)} dB < ${minimumPsnr}`);
    assert.deepEqual(errors, []);
  });
}

test("an instant after the show's end is black, and a malformed one plays the show", async () => {
  const { page, errors } = await openPage(session.browser, 320, 200);
  await page.goto(`${session.origin}/index.html?at=80000`);
  await page.waitForFunction(() => document.body.dataset.ready === "1", { timeout: 30000 });
  const lit = await page.evaluate(() => {
    const canvas = document.getElementById("canvas");
    const context = new OffscreenCanvas(canvas.width, canvas.height).getContext("2d");
    context.drawImage(canvas, 0, 0);
    return context.getImageData(0, 0, canvas.width, canvas.height).data.some((v, i) => i % 4 !== 3 && v !== 0);
  });
  assert.equal(lit, false);
  await page.goto(`${session.origin}/index.html?at=12e3`);
  await page.waitForFunction(() => document.body.dataset.state === "ready", { timeout: 30000 });
  await page.close();
  assert.deepEqual(errors, []);
});
