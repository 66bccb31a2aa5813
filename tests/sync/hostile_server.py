#!/usr/bin/python3
"""A broken or hostile "CalDAV server" on loopback, one way of misbehaving at a time, for the
sync's safety tests. Prints its port on the first line, then serves until killed.

Usage: hostile_server.py MODE [LOG]
  huge       answers the listing with an endless WebDAV body
  redirect   redirects every request to itself, forever
  elsewhere  redirects to another port of this machine (LOG records whether a password came)
  malformed  answers 207 with XML that is not well-formed
  html       answers 200 with an HTML page, as a login portal would
  cut        starts a good listing, then closes the connection in the middle
  stall      sends the headers, then nothing
"""
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

MODE = sys.argv[1]
LOG = sys.argv[2] if len(sys.argv) > 2 else None

LISTING_START = (b'<?xml version="1.0" encoding="utf-8"?>\n<D:multistatus xmlns:D="DAV:" '
                 b'xmlns:C="urn:ietf:params:xml:ns:caldav">')


class Elsewhere(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_PROPFIND(self):
        if LOG:
            with open(LOG, "a") as log:
                log.write("authorization: %s\n" % ("yes" if self.headers.get("Authorization") else "no"))
        self.send_response(401)
        self.send_header("WWW-Authenticate", 'Basic realm="elsewhere"')
        self.send_header("Content-Length", "0")
        self.end_headers()


class Hostile(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_PROPFIND(self):
        length = int(self.headers.get("Content-Length", 0))
        self.rfile.read(length)
        if MODE == "huge":
            self.send_response(207)
            self.send_header("Content-Type", "application/xml")
            self.end_headers()
            self.wfile.write(LISTING_START)
            chunk = b"<D:response><D:href>/x</D:href></D:response>" * 20000
            try:
                while True:
                    self.wfile.write(chunk)
            except (BrokenPipeError, ConnectionResetError):
                return
        elif MODE == "redirect":
            self.send_response(307)
            self.send_header("Location", self.path)
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif MODE == "elsewhere":
            self.send_response(307)
            self.send_header("Location", "http://127.0.0.1:%d/cal/" % OTHER_PORT)
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif MODE == "malformed":
            body = LISTING_START + b"<D:response><D:href>/cal/a.ics</D:href><D:propstat>"
            self.reply(207, "application/xml", body)
        elif MODE == "html":
            self.reply(200, "text/html", b"<html><body>Please log in</body></html>")
        elif MODE == "cut":
            self.send_response(207)
            self.send_header("Content-Type", "application/xml")
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(LISTING_START + b"<D:response><D:href>/cal/a.ics</D:href>")
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
            self.close_connection = True
        elif MODE == "stall":
            self.send_response(207)
            self.send_header("Content-Type", "application/xml")
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.flush()
            time.sleep(3600)

    def reply(self, status, content_type, body):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


other = ThreadingHTTPServer(("127.0.0.1", 0), Elsewhere)
OTHER_PORT = other.server_address[1]
threading.Thread(target=other.serve_forever, daemon=True).start()
server = ThreadingHTTPServer(("127.0.0.1", 0), Hostile)
server.daemon_threads = True
print(server.server_address[1], flush=True)
server.serve_forever()
