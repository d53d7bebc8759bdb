// Replays a web archive in ReplayWeb.page under headless chromium, as a
// reader of the archive would: the embed page, the package's sw.js and
// ui.js and the archive are served from 127.0.0.1, and the page at URL must
// show TEXT and its picture PICTURE (a file name) decoded.
//   node replay_check.mjs REPLAY_DIR ARCHIVE URL TEXT PICTURE SCREENSHOT
// Exit 0: replayed; 1: it did not; 77: chromium cannot run here.
import fs from "node:fs";
import http from "node:http";
import puppeteer from "puppeteer-core";

const [replayDir, archive, target, text, picture, screenshot] = process.argv.slice(2);
const chromium = process.env.ZV_CHROMIUM || "/usr/bin/chromium";

const embed = `<!DOCTYPE html><html><head><meta charset="utf-8"><title>replay</title>
<script src="/replay/ui.js"></script></head><body>
<replay-web-page source="/archive.warc.gz" url="${target}" embed="replayonly" replayBase="/replay/"
 style="display:block;width:1000px;height:700px"></replay-web-page></body></html>`;

// The embed reloads its frame three times, 100 ms apart, waiting for its
// service worker to take the frame; on a busy machine the worker's first
// install takes longer and the frame stays a 404 page. So the worker is
// installed from a page of its own first, as on a reader's second visit.
const workerScript = "/replay/sw.js?serveIndex=1";
const warmup = `<!DOCTYPE html><html><head><meta charset="utf-8"><title>worker</title></head><body></body></html>`;

const files = {
  "/": { type: "text/html; charset=utf-8", body: Buffer.from(embed) },
  "/worker": { type: "text/html; charset=utf-8", body: Buffer.from(warmup) },
  "/replay/ui.js": { type: "application/javascript", body: fs.readFileSync(`${replayDir}/ui.js`) },
  "/replay/sw.js": { type: "application/javascript", body: fs.readFileSync(`${replayDir}/sw.js`) },
  "/archive.warc.gz": { type: "application/warc", body: fs.readFileSync(archive) },
};

// Whole files, or the one range a reader asks for.
const server = http.createServer((req, res) => {
  const file = files[new URL(req.url, "http://127.0.0.1").pathname];
  if (!file) {
    res.writeHead(404).end();
    return;
  }
  const headers = { "Content-Type": file.type, "Accept-Ranges": "bytes", "Cache-Control": "no-store" };
  const range = /^bytes=(\d+)-(\d*)$/.exec(req.headers.range || "");
  if (range) {
    const start = Number(range[1]);
    const end = Math.min(range[2] ? Number(range[2]) : file.body.length - 1, file.body.length - 1);
    headers["Content-Range"] = `bytes ${start}-${end}/${file.body.length}`;
    res.writeHead(206, headers).end(req.method === "HEAD" ? undefined : file.body.subarray(start, end + 1));
    return;
  }
  headers["Content-Length"] = file.body.length;
  res.writeHead(200, headers).end(req.method === "HEAD" ? undefined : file.body);
});
await new Promise((done) => server.listen(0, "127.0.0.1", done));
const origin = `http://127.0.0.1:${server.address().port}`;

let browser;
try {
  browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--no-first-run", "--no-default-browser-check"],
  });
} catch (error) {
  console.log(`replay_check: SKIPPED: chromium cannot run here: ${error.message.split("\n")[0]}`);
  server.close();
  process.exit(77);
}

// The replayed page is a frame nested in the embed's frames; it is found by
// the original URL at the end of its replay address.
async function replayedPage(page) {
  for (let waited = 0; waited < 60000; waited += 250) {
    for (const frame of page.frames()) {
      if (!frame.url().endsWith(`mp_/${target}`)) continue;
      const state = await frame
        .evaluate(
          (name) => ({
            text: document.body ? document.body.innerText : "",
            picture: Array.from(document.images).some(
              (img) => img.src.endsWith(name) && img.complete && img.naturalWidth > 0,
            ),
          }),
          picture,
        )
        .catch(() => null);
      if (state && state.text.includes(text) && state.picture) return state;
    }
    await new Promise((done) => setTimeout(done, 250));
  }
  return null;
}

let failed = "";
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 740 });
  await page.goto(origin + "/worker", { waitUntil: "load" });
  await page.evaluate(async (script) => {
    const registration = await navigator.serviceWorker.register(script, { scope: "/replay/" });
    const worker = registration.installing || registration.waiting || registration.active;
    while (worker.state !== "activated") {
      if (worker.state === "redundant") throw new Error(`the service worker ${script} failed to install`);
      await new Promise((done) => worker.addEventListener("statechange", done, { once: true }));
    }
  }, workerScript);
  await page.goto(origin + "/", { waitUntil: "load" });
  const state = await replayedPage(page);
  if (screenshot) await page.screenshot({ path: screenshot });
  if (!state) {
    const frames = page.frames().map((f) => f.url()).join("\n  ");
    failed = `${target} did not replay with "${text}" and ${picture} within 60 s; frames:\n  ${frames}`;
  }
} catch (error) {
  failed = error.message;
}
await browser.close();
server.close();
if (failed) {
  console.log(`replay_check: FAILED: ${failed}`);
  process.exit(1);
}
console.log(`replay_check: ${target} replayed with its text and ${picture}`);
