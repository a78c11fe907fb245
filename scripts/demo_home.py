#!/usr/bin/env python3
"""Prepares a client data folder for a device simulator fleet: the device list (camera.xml),
settings with live video started at launch (sysconfig.xml) and an administrator account whose
name and password are remembered (user.xml).

Usage: demo_home.py FLEET.xml HOME_DIR [--panes N] [--admin NAME:PASSWORD] [--keep]
  --keep  leave files that already exist (a user's changes to a demo folder survive a rerun)
"""
import argparse
import os
import sys
import xml.etree.ElementTree as ET

KIND_CODES = {"camera": 0, "0": 0, "nas": 1, "1": 1, "wvr": 1, "switch": 2, "2": 2,
              "alarm-camera": 3, "3": 3, "doorbell": 4, "4": 4, "camera-noptz": 5, "5": 5}
# A text field of the device list holds at most this many bytes (the client cuts there too).
FIELD_BYTES = {"Name": 47, "IP": 127, "Username": 63, "Pwd": 63, "ID": 31}


def esc(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;"))


def device_rows(fleet_path):
    root = ET.parse(fleet_path).getroot()
    for d in root.iter("device"):
        kind = KIND_CODES.get(d.get("kind", "camera"))
        if kind is None:
            raise SystemExit(f"demo_home: unknown kind {d.get('kind')!r} in {fleet_path}")
        p2p = d.get("p2p", "1") not in ("0", "false", "no")
        http_port = int(d.get("httpPort", "-1"))
        host = d.get("host", "127.0.0.1")
        if not p2p and http_port <= 0:
            continue
        yield {
            "Name": d.get("name", d.get("id")),
            "IP": host if http_port > 0 else "",
            "Port": str(http_port if http_port > 0 else 0),
            "Username": d.get("user", "admin"),
            "Pwd": d.get("password", ""),
            "VideoMode": "0",
            "P2P": "1" if p2p else "0",
            "ID": d.get("id", ""),
            "Type": str(kind),
        }


def write(path, text, keep, mode=0o644):
    if keep and os.path.exists(path):
        return
    tmp = path + ".tmp"
    fd = os.open(tmp, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)
    with os.fdopen(fd, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("fleet")
    ap.add_argument("home")
    ap.add_argument("--panes", type=int, default=9)
    ap.add_argument("--admin", default="admin:admin")
    ap.add_argument("--keep", action="store_true")
    a = ap.parse_args()
    os.makedirs(a.home, exist_ok=True)

    lines = ['<?xml version="1.0"?>', "<Devices>"]
    for row in device_rows(a.fleet):
        lines.append("\t<Device>")
        for key in ("Name", "IP", "Port", "Username", "Pwd", "VideoMode", "P2P", "ID", "Type"):
            value = row[key]
            limit = FIELD_BYTES.get(key)
            if limit is not None:
                value = value.encode("utf-8")[:limit].decode("utf-8", "ignore")
            lines.append(f"\t\t<{key}>{esc(value)}</{key}>")
        lines.append("\t</Device>")
    lines.append("</Devices>")
    write(os.path.join(a.home, "camera.xml"), "\n".join(lines) + "\n", a.keep)

    rec = os.path.join(a.home, "rec")
    pic = os.path.join(a.home, "pic")
    settings = [
        ("PicPath", pic), ("RecPath", rec), ("AlarmPath", os.path.join(a.home, "alarmPhoto")),
        ("VideoMode", "0"), ("OpenOSDWhenStartVideo", "0"), ("RecFileLen", "200"),
        ("RecTimeLen", "5"), ("RecReserveSpace", "200"), ("RecRover", "1"),
        ("InitSplitScreen", str(a.panes)), ("Language", "1"), ("AutoStartVideo", "1"),
        ("AutoStartRecord", "0"), ("Flag", "1"),
    ]
    body = "".join(f"\t<{k}>{esc(v)}</{k}>\n" for k, v in settings)
    write(os.path.join(a.home, "sysconfig.xml"),
          f'<?xml version="1.0"?>\n<SystemSet>\n{body}</SystemSet>\n', a.keep)

    name, _, password = a.admin.partition(":")
    items = ["guest", "guest", name, password, "1", "1", "1"]
    users = "<UserInfo>\n" + "".join(f"<item>{v}</item>\n" for v in items) + "</UserInfo>"
    write(os.path.join(a.home, "user.xml"), users, a.keep, 0o600)
    return 0


if __name__ == "__main__":
    sys.exit(main())
