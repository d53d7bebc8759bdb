"""HTTP server on 127.0.0.1 for the downloader's tests.

Usage: loopback_server.py PORTFILE
Binds a free port, writes it to PORTFILE and serves until killed:
  /pic/NAME.gif        a small GIF
  /blob/N              50 KB of bytes
  /slow/NAME           1 MB sent 4 KB every 100 ms (cut off after 60 s)
  /missing...          404
  /closed...           promises 100 KB, sends 10 bytes and closes
  /redirect...         302 to /pic/target.gif
  /s.cgi?k=1           a page behind a query
  /site/...            the pages and pictures of the site in SITE below
  /_hits               "count path" lines of every request so far
  anything ending /    a folder page; else a page naming its path
"""
import http.server
import socketserver
import sys
import threading
import time

GIF = (b"GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00\x00"
       b",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;")

# A site whose first page links to pages and pictures; the links are relative.
SITE = {
    "/site/index.html": b'<html><body><a href="sub/page2.htm">two</a> <img src="pics/logo.gif">'
                        b' <a href="deep/page3.htm">three</a></body></html>',
    "/site/sub/page2.htm": b'<html><body><a href="../index.html">back</a></body></html>',
    "/site/deep/page3.htm": b'<html><body><img src="../pics/logo.gif"></body></html>',
    "/site/pics/logo.gif": GIF,
}

BLOB = bytes((i * 7) & 0xFF for i in range(50 * 1024))

hits = {}
hits_lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def reply(self, body, ctype="text/html", status=200):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = self.path
        if path != "/_hits":
            with hits_lock:
                hits[path] = hits.get(path, 0) + 1
        if path == "/_hits":
            with hits_lock:
                lines = "".join("%d %s\n" % (n, p) for p, n in sorted(hits.items()))
            self.reply(lines.encode(), "text/plain")
        elif path in SITE:
            self.reply(SITE[path], "image/gif" if path.endswith(".gif") else "text/html")
        elif path.startswith("/pic/"):
            self.reply(GIF, "image/gif")
        elif path.startswith("/blob/"):
            self.reply(BLOB, "application/octet-stream")
        elif path.startswith("/slow/"):
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(1024 * 1024))
            self.end_headers()
            deadline = time.time() + 60
            try:
                for _ in range(256):
                    if time.time() > deadline:
                        break
                    self.wfile.write(b"x" * 4096)
                    self.wfile.flush()
                    time.sleep(0.1)
            except OSError:
                pass
        elif path.startswith("/missing"):
            self.reply(b"<html>not here</html>", status=404)
        elif path.startswith("/closed"):
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(100 * 1024))
            self.end_headers()
            self.wfile.write(b"<html>cut ")
            self.wfile.flush()
            self.close_connection = True
        elif path.startswith("/redirect"):
            self.send_response(302)
            self.send_header("Location", "/pic/target.gif")
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif path.endswith("/"):
            self.reply(b"<html>folder " + path.encode() + b"</html>")
        else:
            self.reply(b"<html>page " + path.encode() + b"</html>")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    request_queue_size = 64


def main():
    server = Server(("127.0.0.1", 0), Handler)
    with open(sys.argv[1] + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    import os
    os.replace(sys.argv[1] + ".tmp", sys.argv[1])
    server.serve_forever()


if __name__ == "__main__":
    main()
