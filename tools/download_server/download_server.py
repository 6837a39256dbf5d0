#!/usr/bin/env python3
"""Loopback download server for the engine tests and the demo (Python standard library only).

It listens on 127.0.0.1 only and plays the vendor's download host: header-only answers with
the length, byte ranges, a product path that redirects to a URL whose second-to-last path
segment is the file's MD5, and faults injected on request. The fault is chosen by the URL, so
one server instance serves every test at once.

URL scheme (all paths absolute; query strings are ignored):

  /gen/<size>[/...]       <size> bytes of generated content (generated_content below: 8-byte
                          little-endian words ((k + 1) * 0x9E3779B97F4A7C15 mod 2^64) xor size,
                          cut to <size>); further segments are ignored, so
                          /gen/<size>/<md5>/<name> serves the same bytes.
  /file/<name>[/...]      the file <name> of the --root folder (a plain file name).
  /redirect/<resource>    302 to /<resource>/<md5>/<name>, where <resource> is "gen/<size>" or
                          "file/<name>" and <name> is "download.bin" or the file's name.
  /software/517           the product path: like /redirect/<package>, where <package> is the
                          --package resource (default gen/2097152), named __Package_Nimbrel.exe.
  /log/<token>            text: one line per request that carried fault token <token>, in
                          arrival order: "<METHOD> <Range header or ->" for content requests,
                          "REDIRECT -" for redirects.

Any of the above may be prefixed by /fault/<key>[=<value>][,<key>[=<value>]...]; redirects keep
the prefix in their target. Keys:

  token=T          names the request log and the plan counter of this test (any [A-Za-z0-9_-]).
  plan=I:I:...     the k-th GET carrying token T gets item k; later GETs get the other keys.
                   Items: ok, <status> (e.g. 404, 500), drop<N>, reset<N>, stall<N>.
  drop=N           GET: close the connection (FIN) after N body bytes.
  reset=N          GET: abort the connection (RST) after N body bytes.
  stall=N          GET: send N body bytes, then nothing until the client leaves (60 s at most).
  status=N         GET answers status N (no content).
  headstatus=N     HEAD answers status N.
  headlength=N     HEAD reports Content-Length N.
  nolength         no Content-Length anywhere; a GET body ends when the connection closes.
  noranges         Range headers are ignored: 200 with the whole file.
  badrange         a Range is answered 206 with the right Content-Range but bytes from 0.
  gzip             the body is gzip-compressed when the request accepts gzip (like a server
                   that compresses on the fly; ranges apply to the compressed bytes).
  badmd5           redirects carry the MD5 of other bytes.
  upmd5            redirects carry the MD5 in capitals.
  nomd5            redirects carry no MD5 segment: /<resource>/<name>.
  loop             redirects point to themselves, endlessly.

Example: /fault/token=t1,plan=drop1000:500/redirect/gen/2097152 redirects to
/fault/token=t1,plan=drop1000:500/gen/2097152/<md5>/download.bin; the first GET of that file
ends after 1000 bytes, the second gets 500, every later one the whole file or its range.

Commands:
  download_server.py serve [--port N] [--port-file F] [--pid-file F] [--root DIR]
                           [--package RESOURCE] [--lifetime SECONDS]
      Port 0 (default) picks a free port; the port is written to the port file (atomically)
      and to stdout once the server listens. SIGTERM or SIGINT stop it; it also stops by
      itself after --lifetime seconds (default 3600), so a forgotten server cannot linger.
  download_server.py generate SIZE PATH
      Writes the generated content of SIZE bytes to PATH and prints its MD5.
"""

import argparse
import gzip
import hashlib
import os
import re
import select
import signal
import socket
import struct
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

STALL_LIMIT_SECONDS = 60
CHUNK = 64 * 1024
PACKAGE_NAME = "__Package_Nimbrel.exe"


def generated_content(size):
    words = (size + 7) // 8
    mult = 0x9E3779B97F4A7C15
    mask = (1 << 64) - 1
    values = [(((k + 1) * mult) & mask) ^ size for k in range(words)]
    return struct.pack("<%dQ" % words, *values)[:size]


class Faults:
    """The fault keys of one URL."""

    def __init__(self, text):
        self.text = text
        self.keys = {}
        for item in filter(None, text.split(",")):
            key, _, value = item.partition("=")
            self.keys[key] = value

    def has(self, key):
        return key in self.keys

    def number(self, key):
        value = self.keys.get(key)
        return int(value) if value is not None and value.isdigit() else None

    def token(self):
        token = self.keys.get("token", "")
        return token if re.fullmatch(r"[A-Za-z0-9_-]+", token) else None

    def plan(self):
        return [item for item in self.keys.get("plan", "").split(":") if item]


class ServerState:
    """What the request handlers share: content caches, plan counters and request logs."""

    def __init__(self, root, package):
        self.root = root
        self.package = package
        self.lock = threading.Lock()
        self.generated = {}
        self.plan_counters = {}
        self.logs = {}
        self.stopping = threading.Event()

    def content(self, resource):
        """Bytes and download name of ["gen", size] or ["file", name]; None when unknown."""
        if len(resource) < 2:
            return None
        kind, argument = resource[0], resource[1]
        if kind == "gen" and argument.isdigit():
            size = int(argument)
            with self.lock:
                if size not in self.generated:
                    self.generated[size] = generated_content(size)
                return self.generated[size], "download.bin"
        if kind == "file" and self.root and re.fullmatch(r"[A-Za-z0-9_.-]+", argument):
            path = os.path.join(self.root, argument)
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    return f.read(), argument
        return None

    def next_plan_item(self, faults):
        token, plan = faults.token(), faults.plan()
        if token is None or not plan:
            return None
        with self.lock:
            index = self.plan_counters.get(token, 0)
            self.plan_counters[token] = index + 1
        return plan[index] if index < len(plan) else None

    def log(self, faults, line):
        token = faults.token()
        if token is not None:
            with self.lock:
                self.logs.setdefault(token, []).append(line)

    def log_text(self, token):
        with self.lock:
            return "".join(line + "\n" for line in self.logs.get(token, []))


def parse_range(header, size):
    """(start, end) inclusive for a single byte range, "unsatisfiable", or None to ignore."""
    match = re.fullmatch(r"bytes=(\d*)-(\d*)", (header or "").strip())
    if not match or (match.group(1) == "" and match.group(2) == ""):
        return None
    first, last = match.group(1), match.group(2)
    if first == "":
        length = int(last)
        if length == 0:
            return "unsatisfiable"
        return max(0, size - length), size - 1
    start = int(first)
    end = size - 1 if last == "" else min(int(last), size - 1)
    if start >= size or start > end:
        return "unsatisfiable"
    return start, end


class Action:
    """How one GET ends: the whole answer, an error status, or a fault after some bytes."""

    def __init__(self, status=None, cut=None, cut_kind=None):
        self.status = status
        self.cut = cut
        self.cut_kind = cut_kind

    @staticmethod
    def from_item(item):
        if item == "ok":
            return Action()
        if item.isdigit():
            return Action(status=int(item))
        for kind in ("drop", "reset", "stall"):
            if item.startswith(kind) and item[len(kind):].isdigit():
                return Action(cut=int(item[len(kind):]), cut_kind=kind)
        return Action()

    @staticmethod
    def from_faults(faults):
        if faults.number("status") is not None:
            return Action(status=faults.number("status"))
        for kind in ("drop", "reset", "stall"):
            if faults.number(kind) is not None:
                return Action(cut=faults.number(kind), cut_kind=kind)
        return Action()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "NimbrelTestServer/1.0"

    def log_message(self, format, *args):
        sys.stderr.write("%s %s\n" % (self.log_date_time_string(), format % args))

    def finish(self):
        # A connection that a fault cut or reset may already be gone.
        try:
            super().finish()
        except OSError:
            pass

    def do_HEAD(self):
        self.answer(head=True)

    def do_GET(self):
        self.answer(head=False)

    def answer(self, head):
        state = self.server.state
        segments = [s for s in self.path.split("?", 1)[0].split("/") if s]
        faults, prefix = Faults(""), ""
        if len(segments) >= 2 and segments[0] == "fault":
            faults, prefix = Faults(segments[1]), "/fault/" + segments[1]
            segments = segments[2:]
        if segments[:1] == ["log"] and len(segments) == 2:
            return self.send_text(200, state.log_text(segments[1]), head)
        if segments == ["software", "517"]:
            return self.redirect(faults, prefix, state.package.split("/"), PACKAGE_NAME, head)
        if segments[:1] == ["redirect"]:
            return self.redirect(faults, prefix, segments[1:3], None, head)
        found = state.content(segments[:2])
        if found is None:
            return self.send_text(404, "not found\n", head)
        self.send_content(faults, found[0], head)

    def redirect(self, faults, prefix, resource, name, head):
        state = self.server.state
        state.log(faults, "REDIRECT -")
        found = state.content(resource)
        if found is None:
            return self.send_text(404, "not found\n", head)
        data, default_name = found
        name = name or default_name
        if faults.has("loop"):
            location = self.path
        elif faults.has("nomd5"):
            location = "%s/%s/%s" % (prefix, "/".join(resource), name)
        else:
            digest = hashlib.md5(data + (b"x" if faults.has("badmd5") else b"")).hexdigest()
            if faults.has("upmd5"):
                digest = digest.upper()
            location = "%s/%s/%s/%s" % (prefix, "/".join(resource), digest, name)
        self.send_response(302)
        self.send_header("Location", "http://127.0.0.1:%d%s" % (self.server.server_port, location))
        self.send_header("Content-Length", "0")
        self.end_headers()

    def send_text(self, status, text, head):
        body = text.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if not head:
            self.wfile.write(body)

    def send_content(self, faults, data, head):
        state = self.server.state
        range_header = self.headers.get("Range")
        state.log(faults, "%s %s" % (self.command, range_header or "-"))
        compressed = faults.has("gzip") and "gzip" in (self.headers.get("Accept-Encoding") or "")
        if compressed:
            data = gzip.compress(data, mtime=0)
        if head:
            return self.send_head_answer(faults, data, compressed)
        item = state.next_plan_item(faults)
        action = Action.from_item(item) if item is not None else Action.from_faults(faults)
        if action.status is not None:
            return self.send_text(action.status, "injected status\n", False)
        self.send_body(faults, data, compressed, range_header, action)

    def send_head_answer(self, faults, data, compressed):
        status = faults.number("headstatus") or 200
        length = faults.number("headlength")
        self.send_response(status)
        self.send_common_headers(faults, compressed)
        if not faults.has("nolength"):
            self.send_header("Content-Length", str(length if length is not None else len(data)))
        self.end_headers()

    def send_common_headers(self, faults, compressed):
        self.send_header("Content-Type", "application/octet-stream")
        if not faults.has("noranges"):
            self.send_header("Accept-Ranges", "bytes")
        if compressed:
            self.send_header("Content-Encoding", "gzip")

    def send_body(self, faults, data, compressed, range_header, action):
        size = len(data)
        byte_range = None if faults.has("noranges") else parse_range(range_header, size)
        if byte_range == "unsatisfiable":
            self.send_response(416)
            self.send_header("Content-Range", "bytes */%d" % size)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        start, end, status = 0, size - 1, 200
        if byte_range is not None:
            start, end, status = byte_range[0], byte_range[1], 206
        self.send_response(status)
        self.send_common_headers(faults, compressed)
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, size))
        if faults.has("nolength"):
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(end - start + 1))
        self.end_headers()
        if status == 206 and faults.has("badrange"):
            start, end = 0, end - start
        self.write_body(data[start:end + 1], action)

    def write_body(self, body, action):
        if action.cut is not None and action.cut < len(body):
            body = body[:action.cut]
        else:
            action = Action()
        for offset in range(0, len(body), CHUNK):
            self.wfile.write(body[offset:offset + CHUNK])
        if action.cut_kind == "stall":
            self.wait_for_client_to_leave()
        if action.cut_kind is not None:
            self.cut_connection(action.cut_kind == "reset")

    def wait_for_client_to_leave(self):
        rounds = int(STALL_LIMIT_SECONDS / 0.25)
        while rounds > 0 and not self.server.state.stopping.is_set():
            readable, _, _ = select.select([self.connection], [], [], 0.25)
            if readable:
                try:
                    if not self.connection.recv(4096):
                        return
                except OSError:
                    return
            rounds -= 1

    def cut_connection(self, reset):
        self.close_connection = True
        try:
            if reset:
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
            else:
                self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.connection.close()


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def write_atomically(path, text):
    temporary = path + ".tmp"
    with open(temporary, "w") as f:
        f.write(text)
    os.replace(temporary, path)


def serve(arguments):
    server = Server(("127.0.0.1", arguments.port), Handler)
    server.state = ServerState(arguments.root, arguments.package)

    def stop(*_):
        server.state.stopping.set()
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    lifetime = threading.Timer(arguments.lifetime, stop)
    lifetime.daemon = True
    lifetime.start()
    if arguments.pid_file:
        write_atomically(arguments.pid_file, "%d\n" % os.getpid())
    if arguments.port_file:
        write_atomically(arguments.port_file, "%d\n" % server.server_port)
    print(server.server_port, flush=True)
    server.serve_forever(poll_interval=0.2)
    server.server_close()


def generate(arguments):
    data = generated_content(arguments.size)
    with open(arguments.path, "wb") as f:
        f.write(data)
    print(hashlib.md5(data).hexdigest())


def main():
    parser = argparse.ArgumentParser(description="Loopback download server for tests.")
    commands = parser.add_subparsers(dest="command", required=True)
    serve_parser = commands.add_parser("serve")
    serve_parser.add_argument("--port", type=int, default=0)
    serve_parser.add_argument("--port-file")
    serve_parser.add_argument("--pid-file")
    serve_parser.add_argument("--root")
    serve_parser.add_argument("--package", default="gen/2097152")
    serve_parser.add_argument("--lifetime", type=float, default=3600)
    generate_parser = commands.add_parser("generate")
    generate_parser.add_argument("size", type=int)
    generate_parser.add_argument("path")
    arguments = parser.parse_args()
    if arguments.command == "serve":
        serve(arguments)
    else:
        generate(arguments)


if __name__ == "__main__":
    main()
