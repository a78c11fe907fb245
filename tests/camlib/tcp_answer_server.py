#!/usr/bin/env python3
"""Loopback HTTP device for the TCP session tests: prints its port, then one line per request
(the request line and the Host header). get_params.cgi answers the users record, alternately
with Content-Length and chunked coding; everything else answers result="ok"."""
import socket
import sys

USERS = ['user1_name="u1";', 'user1_pwd="p1";', 'user2_name="u2";', 'user2_pwd="p2";',
         'user3_name="admin";', 'user3_pwd="pw";']


def answer(conn, chunked, lines):
    if chunked:
        body = b"".join(b"%x\r\n%s\r\n" % (len(l), l.encode()) for l in lines) + b"0\r\n\r\n"
        head = b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
    else:
        body = "".join(l + "\r\n" for l in lines).encode()
        head = b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % len(body)
    conn.sendall(head + body)


def main():
    srv = socket.socket()
    srv.bind(("127.0.0.1", 0))
    srv.listen(8)
    srv.settimeout(60)
    print(srv.getsockname()[1], flush=True)
    served = 0
    params = 0
    while served < 50:
        try:
            conn, _ = srv.accept()
        except socket.timeout:
            return
        with conn:
            conn.settimeout(10)
            data = b""
            while b"\r\n\r\n" not in data:
                part = conn.recv(4096)
                if not part:
                    break
                data += part
            text = data.decode(errors="replace")
            first = text.split("\r\n", 1)[0]
            host = [l for l in text.split("\r\n") if l.lower().startswith("host:")]
            print(first + " | " + (host[0] if host else "-"), flush=True)
            if "get_params.cgi" in first:
                answer(conn, params % 2 == 1, USERS)
                params += 1
            else:
                answer(conn, False, ['result="ok";'])
            served += 1


if __name__ == "__main__":
    sys.exit(main())
