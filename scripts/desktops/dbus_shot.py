#!/usr/bin/env python3
"""Screenshots and output modes of the Wayland desktops, through their own D-Bus services.

    dbus_shot.py gnome FILE     GNOME Shell's screenshot of the whole stage into FILE (PNG)
    dbus_shot.py gnome-mode     mutter's monitors and their current modes, on one line
    dbus_shot.py kwin FILE      KWin's screenshot of the whole workspace into FILE (PNG)
"""
import os
import sys

from gi.repository import Gio, GLib


def gnome_shot(path):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    # The shell answers only the screenshot tool's own bus name.
    bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                  "RequestName", GLib.Variant("(su)", ("org.gnome.Screenshot", 4)),
                  None, Gio.DBusCallFlags.NONE, -1, None)
    reply = bus.call_sync("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot",
                          "org.gnome.Shell.Screenshot", "Screenshot",
                          GLib.Variant("(bbs)", (False, False, path)),
                          GLib.VariantType("(bs)"), Gio.DBusCallFlags.NONE, 60000, None)
    ok, _ = reply.unpack()
    return 0 if ok else 1


def gnome_mode():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    reply = bus.call_sync("org.gnome.Mutter.DisplayConfig", "/org/gnome/Mutter/DisplayConfig",
                          "org.gnome.Mutter.DisplayConfig", "GetCurrentState", None, None,
                          Gio.DBusCallFlags.NONE, 10000, None)
    _, monitors, logical, _ = reply.unpack()
    parts = []
    for (connector, _, _, _), modes, _ in monitors:
        for mode in modes:
            if mode[6].get("is-current"):
                parts.append("%s=%dx%d" % (connector, mode[1], mode[2]))
    for x, y, scale, _, primary, _, _ in logical:
        parts.append("logical+%d+%d%s" % (x, y, "*" if primary else ""))
    print(" ".join(parts))
    return 0


def kwin_shot(path):
    import numpy as np
    from PIL import Image
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    read_fd, write_fd = os.pipe()
    fds = Gio.UnixFDList.new()
    fds.append(write_fd)
    os.close(write_fd)
    reply, _ = bus.call_with_unix_fd_list_sync(
        "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureWorkspace",
        GLib.Variant("(a{sv}h)", ({}, 0)), GLib.VariantType("(a{sv})"), Gio.DBusCallFlags.NONE,
        60000, fds, None)
    info = reply.unpack()[0]
    data = b""
    fds = None
    while True:
        chunk = os.read(read_fd, 1 << 20)
        if not chunk:
            break
        data += chunk
    width, height, stride = info["width"], info["height"], info["stride"]
    # QImage::Format_ARGB32 / RGB32 little-endian: B, G, R, A in memory.
    rows = np.frombuffer(data, np.uint8)[:stride * height].reshape(height, stride)
    bgra = rows[:, :width * 4].reshape(height, width, 4)
    Image.fromarray(bgra[:, :, [2, 1, 0]].copy()).save(path)
    return 0


def main(argv):
    if argv[1] == "gnome":
        return gnome_shot(argv[2])
    if argv[1] == "gnome-mode":
        return gnome_mode()
    if argv[1] == "kwin":
        return kwin_shot(argv[2])
    raise SystemExit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
