// Serves a folder over HTTP on 127.0.0.1, as any static host would serve the site:
//   node web/serve.mjs FOLDER [PORT]   (port 0 or none: any free one; a port in use: any free
//                                       one too; the address is printed)
// Only files inside the folder are served, read-only, with their content types.
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize, resolve, sep } from "node:path";
import { fileURLToPath } from "node:url";

const contentTypes = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".wasm": "application/wasm",
  ".bmp": "image/bmp",
  ".wav": "audio/wav",
  ".png": "image/png",
};

export function serveFolder(folder, port = 0) {
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
    if ((file !== root && !file.startsWith(root + sep)) ||
        (request.method !== "GET" && request.method !== "HEAD")) {
      response.writeHead(404).end();
      return;
    }
    try {
      const body = await readFile(file);
      response.writeHead(200, {
        "Content-Type": contentTypes[extname(file)] || "application/octet-stream",
        "Content-Length": body.length,
        "Cache-Control": "no-cache",
      });
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
  const folder = process.argv[2];
  if (!folder) {
    console.error("usage: node serve.mjs FOLDER [PORT]");
    process.exit(2);
  }
  const port = Number(process.argv[3] || 0);
  const server = await serveFolder(folder, port).catch((error) => {
    if (error.code === "EADDRINUSE" && port !== 0) {
      return serveFolder(folder, 0);
    }
    throw error;
  });
  console.log(`Serving ${resolve(folder)} at http://127.0.0.1:${server.address().port}/`);
}
