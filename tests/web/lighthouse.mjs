// Lighthouse's figures for the page, printed, not checked: each category's score and the load's
// timings, on a phone (Lighthouse's mobile: a slow processor and a 1.6 Mbit/s network with a
// 150 ms round trip, simulated) and on a desktop, with the site served as scripts/web serves it
// and as a host serves it (compressed, cached: web/serve.mjs --host).
//   node tests/web/lighthouse.mjs [--runs N]
// Debian's Chromium runs it (CHROME_PATH, default /usr/bin/chromium). runLighthouse is also what
// the viewers' test asks for the categories that are no timing.
import lighthouse from "lighthouse";
import desktopConfig from "lighthouse/core/config/desktop-config.js";
import puppeteer from "puppeteer-core";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { fileURLToPath } from "node:url";

import { chromiumArgs, siteDir } from "./driver.mjs";
import { serveFolder } from "../../web/serve.mjs";

// One Lighthouse run of the page at `url` in a fresh Chromium; the report's categories (scores
// 0 to 100) and audits.
export async function runLighthouse(url, { desktop = false, categories } = {}) {
  const profile = mkdtempSync(join(tmpdir(), "pp-lighthouse-"));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROME_PATH || "/usr/bin/chromium",
    headless: true,
    args: chromiumArgs(profile),
  });
  try {
    const port = Number(new URL(browser.wsEndpoint()).port);
    const flags = { port, output: "json", logLevel: "error", onlyCategories: categories };
    const result = await lighthouse(url, flags, desktop ? desktopConfig : undefined);
    const lhr = result.lhr;
    const scores = Object.fromEntries(
      Object.entries(lhr.categories).map(([id, category]) => [
        id,
        Math.round(category.score * 100),
      ]),
    );
    return { scores, audits: lhr.audits };
  } finally {
    await browser.close();
    rmSync(profile, { recursive: true, force: true });
  }
}

// The audits below a full score in the categories asked for, by title: what to look at first.
export function failedAudits({ audits }) {
  return Object.values(audits)
    .filter(
      (audit) =>
        audit.score !== null &&
        audit.score < 0.9 &&
        audit.scoreDisplayMode !== "informative" &&
        audit.scoreDisplayMode !== "manual" &&
        audit.scoreDisplayMode !== "notApplicable",
    )
    .map((audit) => `${audit.id} (${audit.score})`);
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const args = process.argv.slice(2);
  const runs = Number(args.includes("--runs") ? args[args.indexOf("--runs") + 1] : 1);
  const ms = (audit) =>
    audit.numericValue >= 1000
      ? `${(audit.numericValue / 1000).toFixed(1)} s`
      : `${audit.numericValue.toFixed(0)} ms`;
  console.log(
    "| server | form | Performance | Accessibility | Best practices | SEO | FCP | LCP | TBT | CLS |",
  );
  console.log("|---|---|---|---|---|---|---|---|---|---|");
  for (const host of [false, true]) {
    const server = await serveFolder(siteDir, 0, { host });
    const url = `http://127.0.0.1:${server.address().port}/index.html`;
    for (const desktop of [false, true]) {
      for (let run = 0; run < runs; ++run) {
        const report = await runLighthouse(url, { desktop });
        const s = report.scores;
        const a = report.audits;
        console.log(
          `| ${host ? "host" : "plain"} | ${desktop ? "desktop" : "mobile"} | ${s.performance} | ` +
            `${s.accessibility} | ${s["best-practices"]} | ${s.seo} | ${ms(a["first-contentful-paint"])} | ` +
            `${ms(a["largest-contentful-paint"])} | ${ms(a["total-blocking-time"])} | ` +
            `${a["cumulative-layout-shift"].numericValue.toFixed(3)} |`,
        );
        console.log(`    below 0.9: ${failedAudits(report).join(", ") || "none"}`);
      }
    }
    server.close();
  }
}
