"""Exits 0 when a notification area owns the X screen's tray selection, 1 otherwise.

The program asks for the notification area once, at "Riduci nella Traybar", and hides nothing
when no one answers: the run starts it only once the area is really there.
"""

import ctypes
import sys


def tray_pronto():
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XGetSelectionOwner.restype = ctypes.c_ulong
    x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x.XDefaultScreen.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    schermo = x.XOpenDisplay(None)
    if not schermo:
        return False
    try:
        nome = f"_NET_SYSTEM_TRAY_S{x.XDefaultScreen(schermo)}".encode()
        return x.XGetSelectionOwner(schermo, x.XInternAtom(schermo, nome, 0)) != 0
    finally:
        x.XCloseDisplay(schermo)


if __name__ == "__main__":
    sys.exit(0 if tray_pronto() else 1)
