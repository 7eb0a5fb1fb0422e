// One way to drive the page in each of the three browser engines, so that every test is written
// once and run in each (PP_WEB_ENGINE: chromium, firefox or webkit; chromium when unset):
//   chromium  Debian's Chromium, headless, WebGL 2 through SwiftShader, by puppeteer-core (CDP)
//   firefox   Debian's Firefox ESR, in a window on the tests' X display, by puppeteer-core
//             over WebDriver BiDi
//   webkit    Debian's WebKitGTK (its MiniBrowser), in a window on the tests' X display, by the
//             W3C WebDriver endpoint of WebKitWebDriver, spoken over plain HTTP
// None of them is ever fetched: puppeteer-core is locked in package-lock.json and the browsers
// are the system's. A page offers goto, evaluate (a function and JSON arguments, run in the
// page, its promise awaited), waitFor, click, press, screenshot (PNG bytes of the viewport) and
// close; `page.puppeteer` is puppeteer's own page where there is one.
import { spawn } from "node:child_process";
import { existsSync, mkdtempSync, readdirSync, rmSync } from "node:fs";
import { createServer } from "node:net";
import { tmpdir } from "node:os";
import { join } from "node:path";
import puppeteer from "puppeteer-core";

import { serveFolder } from "../../web/serve.mjs";

export const siteDir =
  process.env.PP_WEB_SITE || new URL("../../build-web/site", import.meta.url).pathname;
export const engineName = process.env.PP_WEB_ENGINE || "chromium";

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
// A path on the site, or a whole address elsewhere.
const address = (origin, path) => (/^[a-z]+:/.test(path) ? path : origin + path);

// Opens the engine and serves the site; `close` ends both.
export async function openEngine(name = engineName) {
  const server = await serveFolder(siteDir);
  const origin = `http://127.0.0.1:${server.address().port}`;
  const opened = await { chromium: openChromium, firefox: openFirefox, webkit: openWebKit }[
    name
  ]?.();
  if (!opened) {
    server.close();
    throw new Error(`no browser engine called ${name}`);
  }
  return {
    name,
    origin,
    version: opened.version,
    browser: opened.browser,
    newPage: (options) => opened.newPage(origin, options),
    close: async () => {
      await opened.close();
      server.close();
    },
  };
}

// Chromium and Firefox: puppeteer-core

// What every headless Chromium of the tests runs with: WebGL on SwiftShader, in a profile of its
// own, and no traffic of the browser's own beside the page's.
export function chromiumArgs(profile) {
  return [
    "--no-sandbox",
    "--use-angle=swiftshader",
    "--enable-unsafe-swiftshader",
    "--disable-background-networking",
    "--disable-component-update",
    "--no-first-run",
    `--user-data-dir=${profile}`,
  ];
}

async function openChromium() {
  const profile = mkdtempSync(join(tmpdir(), "pp-chromium-"));
  const browser = await puppeteer.launch({
    executablePath: process.env.PP_CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: [
      ...chromiumArgs(profile),
      "--disable-sync",
      "--disable-quic",
      "--autoplay-policy=user-gesture-required",
    ],
  });
  return puppeteerEngine(browser, () => rmSync(profile, { recursive: true, force: true }));
}

async function openFirefox() {
  const browser = await puppeteer.launch({
    browser: "firefox",
    executablePath: process.env.PP_FIREFOX || "/usr/bin/firefox-esr",
    headless: false, // headless Firefox offers no WebGL here
    extraPrefsFirefox: {
      "app.update.enabled": false,
      "browser.shell.checkDefaultBrowser": false,
      "datareporting.policy.dataSubmissionEnabled": false,
      "toolkit.telemetry.enabled": false,
      "network.captive-portal-service.enabled": false,
      "browser.safebrowsing.malware.enabled": false,
      "browser.safebrowsing.phishing.enabled": false,
      "extensions.update.enabled": false,
      // Full screen at once, without the fade and the notice it shows over the page.
      "full-screen-api.transition-duration.enter": "0 0",
      "full-screen-api.transition-duration.leave": "0 0",
      "full-screen-api.warning.timeout": 0,
    },
  });
  return puppeteerEngine(browser, () => {});
}

function puppeteerEngine(browser, cleanUp) {
  return {
    browser,
    version: null,
    async newPage(
      origin,
      { width = 960, height = 540, deviceScaleFactor = 1, touch = false } = {},
    ) {
      const page = await browser.newPage();
      await page.setViewport({
        width,
        height,
        deviceScaleFactor,
        hasTouch: touch,
        isMobile: touch,
      });
      const errors = [];
      page.on("pageerror", (error) => errors.push(error.message));
      page.on("console", (message) => {
        if (message.type() === "error" && !/favicon/.test(message.location()?.url || "")) {
          errors.push(message.text());
        }
      });
      return {
        puppeteer: page,
        errors,
        goto: (path) => page.goto(address(origin, path)),
        evaluate: (fn, ...args) => page.evaluate(fn, ...args),
        click: (selector) => page.click(selector),
        press: (key) => page.keyboard.press(key),
        screenshot: async () => Buffer.from(await page.screenshot({ type: "png" })),
        close: () => page.close(),
      };
    },
    close: async () => {
      await browser.close();
      cleanUp();
    },
  };
}

// WebKitGTK: WebDriver over HTTP

function freePort() {
  return new Promise((done, fail) => {
    const probe = createServer();
    probe.once("error", fail);
    probe.listen(0, "127.0.0.1", () => {
      const { port } = probe.address();
      probe.close(() => done(port));
    });
  });
}

function miniBrowser() {
  if (process.env.PP_WEBKIT_BROWSER) {
    return process.env.PP_WEBKIT_BROWSER;
  }
  for (const arch of readdirSync("/usr/lib")) {
    const path = join("/usr/lib", arch, "webkit2gtk-4.1", "MiniBrowser");
    if (existsSync(path)) {
      return path;
    }
  }
  throw new Error("WebKitGTK's MiniBrowser is not installed (Debian's libwebkit2gtk-4.1-0)");
}

async function openWebKit() {
  const port = await freePort();
  const driver = spawn(
    process.env.PP_WEBKIT_DRIVER || "/usr/bin/WebKitWebDriver",
    [`--port=${port}`],
    { stdio: ["ignore", "ignore", "inherit"] },
  );
  const exited = new Promise((done) => driver.once("exit", done));
  const base = `http://127.0.0.1:${port}`;
  const call = async (method, path, body) => {
    const response = await fetch(base + path, {
      method,
      headers: { "Content-Type": "application/json; charset=utf-8" },
      body: body === undefined ? undefined : JSON.stringify(body),
    });
    const answer = await response.json();
    if (!response.ok) {
      throw new Error(
        `WebDriver ${method} ${path}: ${answer.value?.error}: ${answer.value?.message}`,
      );
    }
    return answer.value;
  };
  for (let i = 0; ; ++i) {
    try {
      await call("GET", "/status");
      break;
    } catch (error) {
      if (i >= 100 || driver.exitCode !== null) {
        throw new Error(`WebKitWebDriver did not answer: ${error.message}`);
      }
      await sleep(100);
    }
  }
  const session = await call("POST", "/session", {
    capabilities: {
      alwaysMatch: {
        "webkitgtk:browserOptions": { binary: miniBrowser(), args: ["--automation"] },
        timeouts: { script: 120000, pageLoad: 60000 },
      },
    },
  });
  const inSession = (method, path, body) =>
    call(method, `/session/${session.sessionId}${path}`, body);
  // W3C key codes for the keys the tests press.
  const keys = { Escape: "\uE00C", Enter: "\uE007" };
  let windowDelta = null; // how much larger the window is than the page in it
  return {
    browser: null,
    version: `MiniBrowser ${session.capabilities.browserVersion}`,
    async newPage(
      origin,
      { width = 960, height = 540, deviceScaleFactor = 1, touch = false } = {},
    ) {
      if (deviceScaleFactor !== 1 || touch) {
        throw new Error("WebKitGTK's WebDriver sets neither a pixel ratio nor touch");
      }
      await inSession("POST", "/url", { url: "about:blank" });
      const evaluate = async (fn, ...args) => {
        const script = `const done = arguments[arguments.length - 1];
          Promise.resolve().then(() => (${fn}).apply(null, Array.prototype.slice.call(arguments, 0, -1)))
            .then((value) => done({ value: value === undefined ? null : value }),
                  (error) => done({ error: String(error && error.stack || error) }));`;
        const answer = await inSession("POST", "/execute/async", { script, args });
        if (answer.error) {
          throw new Error(`in the page: ${answer.error}`);
        }
        return answer.value;
      };
      // The window holds the browser's own bars: sized so that the page gets what was asked.
      for (let i = 0; i < 3; ++i) {
        const delta = windowDelta || { width: 0, height: 0 };
        await inSession("POST", "/window/rect", {
          x: 0,
          y: 0,
          width: width + delta.width,
          height: height + delta.height,
        });
        const inner = await evaluate(() => ({ width: innerWidth, height: innerHeight }));
        if (inner.width === width && inner.height === height) {
          break;
        }
        const rect = await inSession("GET", "/window/rect");
        windowDelta = { width: rect.width - inner.width, height: rect.height - inner.height };
      }
      const find = async (selector) =>
        Object.values(
          await inSession("POST", "/element", { using: "css selector", value: selector }),
        )[0];
      return {
        puppeteer: null,
        errors: [],
        goto: (path) => inSession("POST", "/url", { url: address(origin, path) }),
        evaluate,
        click: async (selector) => inSession("POST", `/element/${await find(selector)}/click`, {}),
        press: (key) => {
          const value = keys[key] || key;
          return inSession("POST", "/actions", {
            actions: [
              {
                type: "key",
                id: "keyboard",
                actions: [
                  { type: "keyDown", value },
                  { type: "keyUp", value },
                ],
              },
            ],
          });
        },
        screenshot: async () => Buffer.from(await inSession("GET", "/screenshot"), "base64"),
        close: () => inSession("POST", "/url", { url: "about:blank" }),
      };
    },
    close: async () => {
      await inSession("DELETE", "").catch(() => {});
      driver.kill();
      await exited;
    },
  };
}

// Waits for a function of the page to return something true, and returns it.
export async function waitFor(page, fn, { args = [], timeout = 30000, every = 20 } = {}) {
  const until = Date.now() + timeout;
  for (;;) {
    const value = await page.evaluate(fn, ...args);
    if (value) {
      return value;
    }
    if (Date.now() > until) {
      throw new Error(`waited ${timeout} ms for ${fn}`);
    }
    await sleep(every);
  }
}

export const waitForState = (page, state, timeout = 30000) =>
  waitFor(page, (s) => document.body.dataset.state === s, { args: [state], timeout });

// The canvas as drawn, for a page that keeps its picture (?at=): PNG bytes and where it is.
export async function canvasPicture(page) {
  const { url, rect } = await page.evaluate(() => {
    const canvas = document.getElementById("canvas");
    const r = canvas.getBoundingClientRect();
    return {
      url: canvas.toDataURL("image/png"),
      rect: { x: r.x, y: r.y, width: r.width, height: r.height },
    };
  });
  return { png: Buffer.from(url.slice(url.indexOf(",") + 1), "base64"), rect };
}
