#!/usr/bin/env python3
"""Makes the browser cache fixtures again: serves site/ on 127.0.0.1:8431 and
lets Debian's chromium (simple cache) and firefox-esr (cache2) fetch it
headless, then copies their cache folders here. Needs the packages chromium
and firefox-esr; run as: python3 make_fixtures.py"""
import gzip, http.server, os, shutil, subprocess, sys, tempfile, threading, time, zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SITE = os.path.join(HERE, "site")
PORT = 8431
BASE = "http://127.0.0.1:%d" % PORT
LAST_MODIFIED = "Sat, 05 Apr 2003 06:07:08 GMT"

# path with query -> (file below site/, content type, content encoding)
PAGES = {
    "/index.html": ("index.html", "text/html", ""),
    "/news/euc.html": ("news/euc.html", "text/html", "gzip"),
    "/jis.html": ("jis.html", "text/html", "deflate"),
    "/cgi/search.cgi?q=sitekeeper": ("cgi/search.cgi", "text/html", "deflate-raw"),
    "/img/logo.gif": ("img/logo.gif", "image/gif", ""),
    "/img/photo.bmp": ("img/photo.bmp", "image/bmp", ""),
    "/css/site.css": ("css/site.css", "text/css", "gzip"),
    "/img/bg.gif": ("img/bg.gif", "image/gif", ""),
    "/img/tile.gif": ("img/tile.gif", "image/gif", ""),
}
REDIRECTS = {"/old.html": "/index.html"}


def encode(data, coding):
    if coding == "gzip":
        return gzip.compress(data, mtime=0)
    if coding == "deflate":
        return zlib.compress(data, 9)
    if coding == "deflate-raw":
        c = zlib.compressobj(9, zlib.DEFLATED, -15)
        return c.compress(data) + c.flush()
    return data


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path in REDIRECTS:
            self.send_response(301)
            self.send_header("Location", BASE + REDIRECTS[self.path])
            self.send_header("Cache-Control", "max-age=86400")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if self.path not in PAGES:
            body = b"<html><body>not found</body></html>"
            self.send_response(404)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        name, ctype, coding = PAGES[self.path]
        with open(os.path.join(SITE, name), "rb") as f:
            body = encode(f.read(), coding)
        self.send_response(200)
        self.send_header("Content-Type", ctype)
        if coding:
            self.send_header("Content-Encoding", "deflate" if coding == "deflate-raw" else coding)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Last-Modified", LAST_MODIFIED)
        self.send_header("Cache-Control", "max-age=86400")
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def chromium(work, out):
    cache = os.path.join(work, "chromium-cache")
    for path in list(PAGES) + list(REDIRECTS):
        subprocess.run(["chromium", "--headless=new", "--no-sandbox", "--disable-gpu",
                        "--user-data-dir=" + os.path.join(work, "chromium-profile"),
                        "--disk-cache-dir=" + cache, "--dump-dom", BASE + path],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120, check=False)
    shutil.copytree(os.path.join(cache, "Default", "Cache", "Cache_Data"), out)


def firefox(work, out):
    profile = os.path.join(work, "firefox-profile")
    cache = os.path.join(work, "firefox-cache")
    os.makedirs(profile)
    with open(os.path.join(profile, "user.js"), "w") as f:
        f.write('user_pref("browser.cache.disk.enable", true);\n')
        f.write('user_pref("browser.cache.disk.parent_directory", "%s");\n' % cache)
        f.write('user_pref("browser.cache.disk.smart_size.enabled", false);\n')
        f.write('user_pref("browser.shell.checkDefaultBrowser", false);\n')
    for path in list(PAGES) + list(REDIRECTS):
        subprocess.run(["firefox-esr", "--headless", "--profile", profile, "--screenshot",
                        os.path.join(work, "shot.png"), BASE + path],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120, check=False)
    shutil.copytree(os.path.join(cache, "cache2"), out,
                    ignore=shutil.ignore_patterns("doomed", "trash*", "*.lock"))


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", PORT), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    work = tempfile.mkdtemp(prefix="zvfixtures")
    try:
        for name, make in (("chromium-simple", chromium), ("firefox-cache2", firefox)):
            out = os.path.join(HERE, name)
            shutil.rmtree(out, ignore_errors=True)
            make(work, out)
    finally:
        server.shutdown()
        shutil.rmtree(work, ignore_errors=True)
    with open(os.path.join(HERE, "expected.tsv"), "w", newline="\n") as f:
        for path, (name, ctype, coding) in PAGES.items():
            f.write("%s\t%s\t%s\t%s\n" % (BASE + path, name, ctype, coding or "identity"))


if __name__ == "__main__":
    sys.exit(main())
