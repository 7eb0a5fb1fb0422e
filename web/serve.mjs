// Serves a folder over HTTP on 127.0.0.1, as any static host would serve the site:
//   node web/serve.mjs FOLDER [PORT]   (port 0 or none: any free one; a port in use: any free
//                                       one too; the address is printed)
//   node web/serve.mjs --host FOLDER [PORT]   also as a web host serves it: text and the
//                                       program compressed with gzip where the browser takes
//                                       it, and all but the page itself cached for a year
// Only files inside the folder are served, read-only, with their content types.
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize, resolve, sep } from "node:path";
import { fileURLToPath } from "node:url";
import { gzipSync } from "node:zlib";

const contentTypes = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".wasm": "application/wasm",
  ".bmp": "image/bmp",
  ".wav": "audio/wav",
  ".png": "image/png",
  ".webp": "image/webp",
  ".jpg": "image/jpeg",
  ".ico": "image/x-icon",
  ".webm": "audio/webm",
  ".mp4": "audio/mp4",
  ".webmanifest": "application/manifest+json",
};
// What a host compresses: the formats that are not compressed already.
const compressible = new Set([".html", ".js", ".wasm", ".bmp", ".wav", ".webmanifest"]);

export function serveFolder(folder, port = 0, { host = false } = {}) {
  const root = resolve(folder);
  const server = createServer(async (request, response) => {
    let path;
    try {
      path = decodeURIComponent(new URL(request.url, "http://localhost").pathname);
    } catch {
      response.writeHead(400).end();
      return;
    }
    const file = normalize(join(root, path.endsWith("/") ? path + "index.html" : path));
    if (
      (file !== root && !file.startsWith(root + sep)) ||
      (request.method !== "GET" && request.method !== "HEAD")
    ) {
      response.writeHead(404).end();
      return;
    }
    try {
      let body = await readFile(file);
      const headers = {
        "Content-Type": contentTypes[extname(file)] || "application/octet-stream",
        "Cache-Control": "no-cache",
      };
      if (host) {
        if (extname(file) !== ".html") {
          headers["Cache-Control"] = "public, max-age=31536000";
        }
        if (
          compressible.has(extname(file)) &&
          /\bgzip\b/.test(request.headers["accept-encoding"] || "")
        ) {
          body = gzipSync(body);
          headers["Content-Encoding"] = "gzip";
          headers.Vary = "Accept-Encoding";
        }
      }
      headers["Content-Length"] = body.length;
      response.writeHead(200, headers);
      response.end(request.method === "HEAD" ? undefined : body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((done, fail) => {
    server.once("error", fail);
    server.listen(port, "127.0.0.1", () => done(server));
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const host = process.argv[2] === "--host";
  const [folder, portText] = process.argv.slice(host ? 3 : 2);
  if (!folder) {
    console.error("usage: node serve.mjs [--host] FOLDER [PORT]");
    process.exit(2);
  }
  const port = Number(portText || 0);
  const server = await serveFolder(folder, port, { host }).catch((error) => {
    if (error.code === "EADDRINUSE" && port !== 0) {
      return serveFolder(folder, 0, { host });
    }
    throw error;
  });
  console.log(`Serving ${resolve(folder)} at http://127.0.0.1:${server.address().port}/`);
}
