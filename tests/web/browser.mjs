// What the browser tests of the web page share: the site served on 127.0.0.1, Debian's Chromium
// driven headless through puppeteer-core (never a browser of puppeteer's own), and pictures
// compared pixel by pixel in the page.
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import puppeteer from "puppeteer-core";

import { serveFolder } from "../../web/serve.mjs";

export const siteDir = process.env.PP_WEB_SITE || new URL("../../build-web/site", import.meta.url).pathname;
const chromium = process.env.PP_CHROMIUM || "/usr/bin/chromium";

// A fresh profile each time and nothing that reaches out to the network.
export async function openBrowser() {
  const profile = mkdtempSync(join(tmpdir(), "pp-chromium-"));
  const server = await serveFolder(siteDir);
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: [
      "--no-sandbox",
      "--use-angle=swiftshader",
      "--enable-unsafe-swiftshader",
      "--disable-background-networking",
      "--disable-component-update",
      "--disable-sync",
      "--no-first-run",
      "--disable-quic",
      "--autoplay-policy=user-gesture-required",
      `--user-data-dir=${profile}`,
    ],
  });
  const origin = `http://127.0.0.1:${server.address().port}`;
  const close = async () => {
    await browser.close();
    server.close();
    rmSync(profile, { recursive: true, force: true });
  };
  return { browser, origin, close };
}

// A page of the given size that fails the test on any script error of its own.
export async function openPage(browser, width, height) {
  const page = await browser.newPage();
  await page.setViewport({ width, height, deviceScaleFactor: 1 });
  const errors = [];
  page.on("pageerror", (error) => errors.push(error.message));
  page.on("console", (message) => {
    if (message.type() === "error" && !/favicon/.test(message.location()?.url || "")) {
      errors.push(message.text());
    }
  });
  return { page, errors };
}

// Compares the canvas's picture with a PNG of the same size: the PSNR over the three colour
// channels, the share of pixels whose every channel is within 8 levels, and the box holding the
// pixels that differ by more than that. With `withMap`, also a PNG (base64) of where they differ:
// white beyond 8 levels, grey for smaller differences.
export async function compareCanvasWith(page, pngBytes, withMap = false) {
  return page.evaluate(async (base64, withMap) => {
    const canvas = document.getElementById("canvas");
    const { width, height } = canvas;
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const reference = await createImageBitmap(new Blob([bytes], { type: "image/png" }), {
      colorSpaceConversion: "none",
      premultiplyAlpha: "none",
    });
    if (reference.width !== width || reference.height !== height) {
      return { error: `reference ${reference.width}x${reference.height}, canvas ${width}x${height}` };
    }
    const read = (source) => {
      const context = new OffscreenCanvas(width, height).getContext("2d");
      context.drawImage(source, 0, 0);
      return context.getImageData(0, 0, width, height).data;
    };
    const mine = read(canvas);
    const theirs = read(reference);
    const map = new ImageData(width, height);
    let squares = 0;
    let close = 0;
    const box = { left: width, top: height, right: -1, bottom: -1 };
    for (let i = 0, p = 0; i < mine.length; i += 4, ++p) {
      let worst = 0;
      for (let c = 0; c < 3; ++c) {
        const d = mine[i + c] - theirs[i + c];
        squares += d * d;
        worst = Math.max(worst, Math.abs(d));
      }
      const shade = worst > 8 ? 255 : worst > 0 ? 96 : 0;
      map.data.set([shade, shade, shade, 255], i);
      if (worst <= 8) {
        ++close;
      } else {
        const x = p % width;
        const y = Math.floor(p / width);
        box.left = Math.min(box.left, x);
        box.right = Math.max(box.right, x);
        box.top = Math.min(box.top, y);
        box.bottom = Math.max(box.bottom, y);
      }
    }
    let mapPng = null;
    if (withMap) {
      const mapCanvas = new OffscreenCanvas(width, height);
      mapCanvas.getContext("2d").putImageData(map, 0, 0);
      const blob = await mapCanvas.convertToBlob({ type: "image/png" });
      const mapBytes = new Uint8Array(await blob.arrayBuffer());
      let text = "";
      for (let i = 0; i < mapBytes.length; i += 0x8000) {
        text += String.fromCharCode(...mapBytes.subarray(i, i + 0x8000));
      }
      mapPng = btoa(text);
    }
    const mse = squares / (width * height * 3);
    return {
      psnr: mse === 0 ? Infinity : 10 * Math.log10((255 * 255) / mse),
      withinEight: close / (width * height),
      differing: box.right < 0 ? null : box,
      mapPng,
    };
  }, Buffer.from(pngBytes).toString("base64"), withMap);
}
