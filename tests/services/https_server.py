#!/usr/bin/env python3
"""A small https server on 127.0.0.1 for the update-check tests.

usage: https_server.py CERT KEY ROOT
Prints the port it listens on, then serves until its standard input closes or 60 s pass.
  /file/NAME      the file ROOT/NAME
  /endless        an endless body (stops after 4 MiB)
  /silent         accepts, then sends nothing
  /to-http        redirects to http://127.0.0.1:PORT/file/v16
  /to-https       redirects to /file/v16 on this server
"""
import http.server
import os
import ssl
import sys
import threading
import time


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        port = self.server.server_address[1]
        if self.path.startswith("/file/"):
            name = os.path.basename(self.path[len("/file/"):])
            try:
                with open(os.path.join(self.server.root, name), "rb") as f:
                    body = f.read()
            except OSError:
                self.send_error(404)
                return
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        elif self.path == "/endless":
            self.send_response(200)
            self.end_headers()  # no length: the body runs until the connection ends
            chunk = b"0.16\n" + b"x" * 4091
            try:
                for _ in range(1024):
                    self.wfile.write(chunk)
            except OSError:
                pass
        elif self.path == "/silent":
            time.sleep(20)
        elif self.path in ("/to-http", "/to-https"):
            scheme = "http" if self.path == "/to-http" else "https"
            self.send_response(302)
            self.send_header("Location", "%s://127.0.0.1:%d/file/v16" % (scheme, port))
            self.send_header("Content-Length", "0")
            self.end_headers()
        else:
            self.send_error(404)


def main():
    cert, key, root = sys.argv[1:4]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.root = root
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(cert, key)
    server.socket = ctx.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    # Ends when the test closes our standard input, or after a minute whatever happens.
    watcher = threading.Thread(target=sys.stdin.read, daemon=True)
    watcher.start()
    watcher.join(60)
    os._exit(0)


if __name__ == "__main__":
    main()
