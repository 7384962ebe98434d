#!/usr/bin/env python3
"""A loopback HTTP(S) server for tests: files from a folder, plus routes that misbehave on purpose.

Binds 127.0.0.1 on a free port and prints "PORT <n>" as its first line of stdout. Routes:

  /status/<code>          that status, with a short body
  /redirect?to=<url>      302 to <url>
  /redirect-chain/<n>     n redirects in a row, then a 200 with the body "done"
  /stall-after/<bytes>    announces more, sends <bytes> bytes, then hangs without closing
  /close-after/<bytes>    announces more, sends <bytes> bytes, then closes the connection
  /trickle/<bytes>        announces and sends <bytes> bytes slowly but steadily (?rate=<bytes per
                          second>, default 2048), never slow enough to count as a stall
  /bytes/<n>              n bytes without a Content-Length (chunked; ?close=1: close-delimited)
  /paced/<n>?gate=<name>&pieces=<k>
                          announces and sends n bytes in k pieces, each after the first only once
                          /release/<name> was asked for (or 10 s passed): a client that releases
                          a piece from its progress report sees every piece on its own
  /release/<name>         lets the paced body behind gate <name> send its next piece
  anything else           the file at that (percent-decoded) path under the folder, or 404;
                          when the path is a folder and the query names an id (Bing's image
                          service: /th?id=<name>&...), the file <name> in that folder, or 404

Body bytes from the routes are byte i = i % 256, so they include NUL. With --log, each request's
path, exactly as the client sent it, is appended as one line before the answer goes out; with
--agent-log, its User-Agent header (empty when it sent none). With --fail-first N the first N
requests, whatever their path, are answered 503 (a service that is down for a while). With
--free-bind the server binds before 127.0.0.1 exists (a network namespace whose loopback comes up
later). The server exits on SIGTERM, and by itself after --lifetime seconds.
"""

import argparse
import http.server
import os
import signal
import socket
import ssl
import sys
import threading
import time
import urllib.parse

PIECE = 65536
IP_FREEBIND = 15  # linux/in.h; Python's socket module does not name it
STALL_LIMIT_SECONDS = 120
GATE_WAIT_SECONDS = 10


def pattern(start, count):
    return bytes((start + i) % 256 for i in range(count))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "PixoriaFixture/1"
    timeout = 60

    def setup(self):
        super().setup()
        if isinstance(self.request, ssl.SSLSocket):
            self.request.do_handshake()

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        self.record()
        if self.server.take_failure():
            self.send_plain(503, b"service unavailable\n")
            return
        parsed = urllib.parse.urlsplit(self.path)
        parts = parsed.path.strip("/").split("/")
        route = {
            "status": self.send_status,
            "redirect": self.send_redirect,
            "redirect-chain": self.send_redirect_chain,
            "stall-after": self.send_stall,
            "close-after": self.send_close,
            "trickle": self.send_trickle,
            "bytes": self.send_bytes,
            "paced": self.send_paced,
            "release": self.send_release,
        }.get(parts[0])
        try:
            if route is not None:
                route(parts[1:], urllib.parse.parse_qs(parsed.query))
            else:
                self.send_file(parsed.path, urllib.parse.parse_qs(parsed.query))
        except ValueError:
            self.send_plain(400, b"bad request\n")

    def record(self):
        self.append(self.server.log_path, self.path)
        self.append(self.server.agent_log_path, self.headers.get("User-Agent", ""))

    def append(self, path, line):
        if path:
            with self.server.log_lock, open(path, "a", encoding="latin-1") as log:
                log.write(line + "\n")

    def send_plain(self, code, body, headers=()):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_status(self, args, query):
        code = int(args[0])
        self.send_plain(code, ("status %d\n" % code).encode())

    def send_redirect(self, args, query):
        self.send_plain(302, b"", [("Location", query["to"][0])])

    def send_redirect_chain(self, args, query):
        hops = int(args[0])
        if hops <= 0:
            self.send_plain(200, b"done")
        else:
            self.send_plain(302, b"", [("Location", "/redirect-chain/%d" % (hops - 1))])

    def send_partial(self, count):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(count * 2 + 4096))
        self.end_headers()
        self.wfile.write(pattern(0, count))
        self.wfile.flush()

    def send_stall(self, args, query):
        self.send_partial(int(args[0]))
        # Hang until the client gives up (its read sees the close) or the limit passes.
        self.request.settimeout(1)
        deadline = time.monotonic() + STALL_LIMIT_SECONDS
        while time.monotonic() < deadline:
            try:
                if not self.request.recv(1):
                    break
            except socket.timeout:
                continue
            except OSError:
                break
        self.close_connection = True

    def send_close(self, args, query):
        self.send_partial(int(args[0]))
        self.close_connection = True

    def send_trickle(self, args, query):
        count = int(args[0])
        rate = max(1, int(query.get("rate", ["2048"])[0]))
        piece = max(1, rate // 8)
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(count))
        self.end_headers()
        try:
            for start in range(0, count, piece):
                self.wfile.write(pattern(start, min(piece, count - start)))
                self.wfile.flush()
                time.sleep(piece / rate)
        except OSError:
            pass  # the client gave up
        self.close_connection = True

    def send_bytes(self, args, query):
        count = int(args[0])
        close_delimited = query.get("close", ["0"])[0] == "1"
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if close_delimited:
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        for start in range(0, count, PIECE):
            piece = pattern(start, min(PIECE, count - start))
            if close_delimited:
                self.wfile.write(piece)
            else:
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
        if not close_delimited:
            self.wfile.write(b"0\r\n\r\n")

    def send_paced(self, args, query):
        count = int(args[0])
        pieces = max(1, int(query.get("pieces", ["3"])[0]))
        gate = self.server.gate(query["gate"][0])
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(count))
        self.end_headers()
        size = -(-count // pieces)
        try:
            for start in range(0, count, size):
                if start > 0:
                    gate.acquire(timeout=GATE_WAIT_SECONDS)
                self.wfile.write(pattern(start, min(size, count - start)))
                self.wfile.flush()
        except OSError:
            pass  # the client gave up

    def send_release(self, args, query):
        self.server.gate(args[0]).release()
        self.send_plain(200, b"released\n")

    def send_file(self, path, query):
        root = self.server.root
        target = os.path.realpath(os.path.join(root, urllib.parse.unquote_to_bytes(path).decode(
            "utf-8", "surrogateescape").lstrip("/")))
        if root and os.path.isdir(target) and "id" in query:
            target = os.path.realpath(os.path.join(target, query["id"][0]))
        if not root or os.path.commonpath([root, target]) != root or not os.path.isfile(target):
            self.send_plain(404, b"not found\n")
            return
        with open(target, "rb") as source:
            body = source.read()
        self.send_plain(200, body, [("Content-Type", "application/octet-stream")])


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # Clients that hang up or refuse the certificate are part of the tests.
        pass

    def server_bind(self):
        if self.free_bind:
            self.socket.setsockopt(socket.SOL_IP, IP_FREEBIND, 1)
        super().server_bind()

    def gate(self, name):
        with self.log_lock:
            return self.gates.setdefault(name, threading.Semaphore(0))

    def take_failure(self):
        with self.log_lock:
            if self.failures_left <= 0:
                return False
            self.failures_left -= 1
            return True


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", nargs="?", default="", help="folder whose files are served")
    parser.add_argument("--log", default="", help="file that gets each request's path")
    parser.add_argument("--tls-cert", default="", help="PEM certificate chain: serve HTTPS")
    parser.add_argument("--tls-key", default="", help="PEM private key for --tls-cert")
    parser.add_argument("--lifetime", type=float, default=300, help="seconds before exiting")
    parser.add_argument("--agent-log", default="", help="file that gets each User-Agent header")
    parser.add_argument("--fail-first", type=int, default=0, help="answer the first N with 503")
    parser.add_argument("--free-bind", action="store_true", help="bind before 127.0.0.1 exists")
    return parser.parse_args()


def main():
    arguments = parse_arguments()
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    threading.Timer(arguments.lifetime, lambda: os._exit(0)).start()

    Server.free_bind = arguments.free_bind
    server = Server(("127.0.0.1", 0), Handler)
    server.failures_left = arguments.fail_first
    server.agent_log_path = arguments.agent_log
    server.root = os.path.realpath(arguments.folder) if arguments.folder else ""
    server.log_path = arguments.log
    server.log_lock = threading.Lock()
    server.gates = {}
    if arguments.tls_cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(arguments.tls_cert, arguments.tls_key or None)
        # The handshake happens in the request's thread, so a silent client blocks no one else.
        server.socket = context.wrap_socket(server.socket, server_side=True,
                                            do_handshake_on_connect=False)
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever(poll_interval=0.2)


if __name__ == "__main__":
    sys.exit(main())
