#!/usr/bin/env python3
"""Scripted HTTP peer for the protocol tests. Binds 127.0.0.1 on an ephemeral port, prints the
port on the first line of stdout, answers each connection as the mode says, and exits on its
own after the deadline (the test kills it earlier).

Modes:
  length BODY        Content-Length response carrying BODY
  chunked C1 C2 ...  chunked response, one chunk per argument ("\\n" in an argument is a LF)
  raw TEXT           sends TEXT as it stands ("\\r", "\\n" escapes) and closes
  silent             accepts and never answers
  drip               sends one byte without a line feed every 20 ms
  headers N          a response whose header block holds N filler lines, then a 2-byte body
"""
import signal
import socket
import sys
import time

DEADLINE_S = 60


def unescape(s):
    return s.replace("\\r", "\r").replace("\\n", "\n")


def read_request(conn):
    data = b""
    conn.settimeout(5)
    try:
        while b"\r\n\r\n" not in data and len(data) < 65536:
            part = conn.recv(4096)
            if not part:
                break
            data += part
    except socket.timeout:
        pass
    return data


def answer(conn, mode, args):
    if mode == "silent":
        time.sleep(DEADLINE_S)
        return
    read_request(conn)
    if mode == "length":
        body = unescape(args[0]).encode()
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % len(body) + body)
    elif mode == "chunked":
        out = b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
        for a in args:
            c = unescape(a).encode()
            out += b"%x\r\n" % len(c) + c + b"\r\n"
        out += b"0\r\n\r\n"
        conn.sendall(out)
    elif mode == "raw":
        conn.sendall(unescape(args[0]).encode())
    elif mode == "drip":
        for _ in range(DEADLINE_S * 50):
            conn.sendall(b"x")
            time.sleep(0.02)
    elif mode == "headers":
        out = b"HTTP/1.1 200 OK\r\n"
        for i in range(int(args[0])):
            out += b"X-Filler-%d: %s\r\n" % (i, b"f" * 60)
        out += b"Content-Length: 2\r\n\r\nok"
        conn.sendall(out)


def main():
    signal.alarm(DEADLINE_S)
    mode, args = sys.argv[1], sys.argv[2:]
    srv = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    srv.bind(("127.0.0.1", 0))
    srv.listen(8)
    print(srv.getsockname()[1], flush=True)
    while True:
        conn, _ = srv.accept()
        try:
            answer(conn, mode, args)
        except OSError:
            pass
        finally:
            conn.close()


if __name__ == "__main__":
    main()
