#!/usr/bin/env python3
"""A loopback HTTP server whose answers the tests write down beforehand.

Usage: scripted_http_server.py <folder>. Prints the port it listens on (127.0.0.1), then serves
until it is killed. A request for /<name>?... is answered from the file <folder>/routes/<name>
('/' in the name becomes '_'): lines of key=value, then optionally an empty line and the body's
bytes up to the end of the file. Keys:
  status=<code>          reason=<text>        header=<Name: value> (repeatable)
  body=<text>            body_size=<n> (bytes i % 251)
  chunked=1              no_length=1 (the body ends when the connection closes)
  delay_headers=<s>      delay_body=<s>       cut_after=<n> (promise the whole body, send n bytes)
  stall_after=<n> with stall=<s> (send n bytes, wait, send the rest)
  garbage=1 (answer with something that is not HTTP)
The server ends when its standard input closes. Each request is recorded in <folder>/requests/<name>: "METHOD target", its header lines, an empty
line, then the body's bytes.
"""
import os
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

FOLDER = sys.argv[1]


def route_name(target):
    path = target.split("?", 1)[0].strip("/")
    return path.replace("/", "_") or "index"


def read_route(name):
    route = {"status": "200", "headers": []}
    try:
        with open(os.path.join(FOLDER, "routes", name), "rb") as f:
            text = f.read()
    except FileNotFoundError:
        route.update(status="404", body="no route " + name)
        return route
    head, separator, raw_body = text.partition(b"\n\n")
    if separator:
        route["raw_body"] = raw_body
    for line in head.decode("utf-8").splitlines():
        key, _, value = line.partition("=")
        if key == "header":
            route["headers"].append(value)
        elif key:
            route[key] = value
    return route


def make_body(route):
    if "body_size" in route:
        return bytes(i % 251 for i in range(int(route["body_size"])))
    if "raw_body" in route:
        return route["raw_body"]
    return route.get("body", "").encode("utf-8")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def record(self, name, body):
        folder = os.path.join(FOLDER, "requests")
        os.makedirs(folder, exist_ok=True)
        head = "%s %s\n" % (self.command, self.path)
        head += "".join("%s: %s\n" % (k, v) for k, v in self.headers.items()) + "\n"
        temporary = os.path.join(folder, ".%s.%d" % (name, os.getpid()))
        with open(temporary + str(id(self)), "wb") as f:
            f.write(head.encode("latin-1") + body)
        os.replace(temporary + str(id(self)), os.path.join(folder, name))

    def answer(self):
        name = route_name(self.path)
        length = int(self.headers.get("Content-Length") or 0)
        self.record(name, self.rfile.read(length) if length else b"")
        route = read_route(name)
        self.close_connection = True
        time.sleep(float(route.get("delay_headers", 0)))
        if route.get("garbage"):
            self.wfile.write(b"THIS IS NOT HTTP\r\n\r\n")
            return
        body = make_body(route)
        self.send_response(int(route["status"]), route.get("reason"))
        for header in route["headers"]:
            key, _, value = header.partition(":")
            self.send_header(key.strip(), value.strip())
        self.send_header("Connection", "close")
        if route.get("chunked"):
            self.send_header("Transfer-Encoding", "chunked")
        elif not route.get("no_length"):
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.flush()
        time.sleep(float(route.get("delay_body", 0)))
        if self.command == "HEAD":
            return
        if "stall_after" in route:
            split = int(route["stall_after"])
            self.wfile.write(body[:split])
            self.wfile.flush()
            time.sleep(float(route.get("stall", 0)))
            self.wfile.write(body[split:])
        elif "cut_after" in route:
            self.wfile.write(body[: int(route["cut_after"])])
        elif route.get("chunked"):
            for start in range(0, len(body), 4096):
                piece = body[start : start + 4096]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
        else:
            self.wfile.write(body)

    do_GET = do_POST = do_PUT = do_HEAD = do_DELETE = answer


def end_with_input():
    sys.stdin.buffer.read()
    os._exit(0)


def main():
    threading.Thread(target=end_with_input, daemon=True).start()
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
