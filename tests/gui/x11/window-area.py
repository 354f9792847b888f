#!/usr/bin/env python3
"""Where the session windows stand in kesto's window area, read from the screen.

The session windows are drawn by Qt inside the main window: the X server knows nothing of
them, so their places are read from a picture of the main window. The area is found once,
while it holds no window, as the rectangle of its background colour; a window on it is
whatever is not that colour.

  window-area.py X Y WIDTH HEIGHT --measure AREA     the empty area, written to AREA
  window-area.py X Y WIDTH HEIGHT --inside AREA      the windows lie inside the area
  window-area.py X Y WIDTH HEIGHT --filled AREA      a window covers the whole area
  window-area.py X Y WIDTH HEIGHT --title-bar AREA   a point on the title bar of the only
                                                     window, on the last line

X Y WIDTH HEIGHT is the main window's inside on the screen. Each prints what it saw.
"""
import ctypes
import sys
from collections import Counter

ALL_PLANES = 0xFFFFFFFF
Z_PIXMAP = 2
# The part of the area that may show its background colour when a window fills it.
FILLED_BELOW = 0.02


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


def grab(x, y, width, height):
    """The pixels of a part of the screen, row by row, as 0xRRGGBB."""
    xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XGetImage.restype = ctypes.POINTER(XImage)
    xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                               ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("no X display")
    image = xlib.XGetImage(display, xlib.XDefaultRootWindow(display), x, y, width, height,
                           ALL_PLANES, Z_PIXMAP)
    if not image or image.contents.bits_per_pixel != 32:
        sys.exit("no 32-bit picture of the screen")
    stride = image.contents.bytes_per_line
    raw = memoryview(ctypes.string_at(image.contents.data, stride * height)).cast("I")
    words = stride // 4
    return [[pixel & 0xFFFFFF for pixel in raw[row * words:row * words + width]]
            for row in range(height)]


def median(values):
    values = sorted(values)
    return values[len(values) // 2]


def measure(pixels):
    """The background colour and the rectangle it fills: the rows it holds most of."""
    background = Counter(p for row in pixels for p in row[::3]).most_common(1)[0][0]
    rows = [y for y, row in enumerate(pixels) if row.count(background) * 2 > len(row)]
    if not rows:
        sys.exit("no area of one colour in the window")
    left = median(pixels[y].index(background) for y in rows)
    right = median(len(pixels[y]) - 1 - pixels[y][::-1].index(background) for y in rows)
    # The rows and columns wholly of the background: the area's frame is not part of it.
    whole = [y for y in rows if all(p == background for p in pixels[y][left:right + 1])]
    top, bottom = whole[0], whole[-1]
    columns = [x for x in range(left, right + 1)
               if all(pixels[y][x] == background for y in range(top, bottom + 1))]
    return background, (columns[0], top, columns[-1], bottom)


def read_area(path):
    with open(path) as file:
        background, *rect = file.read().split()
    return int(background, 16), tuple(int(v) for v in rect)


def windows_on(pixels, background, rect):
    """The box around everything in the area that is not its background, and how much of
    the area's background shows."""
    left, top, right, bottom = rect
    box = None
    shown = 0
    for y in range(top, bottom + 1):
        row = pixels[y][left:right + 1]
        shown += row.count(background)
        others = [x for x, p in enumerate(row) if p != background]
        if not others:
            continue
        first, last = left + others[0], left + others[-1]
        box = (first, y, last, y) if box is None else (
            min(box[0], first), box[1], max(box[2], last), y)
    return box, shown / ((right - left + 1) * (bottom - top + 1))


def show(name, rect):
    left, top, right, bottom = rect
    return f"{name} ({left},{top})-({right},{bottom}) {right - left + 1}x{bottom - top + 1}"


def main():
    x, y, width, height = (int(v) for v in sys.argv[1:5])
    what, path = sys.argv[5], sys.argv[6]
    pixels = grab(x, y, width, height)
    if what == "--measure":
        background, rect = measure(pixels)
        with open(path, "w") as file:
            file.write(f"{background:06x} {' '.join(str(v) for v in rect)}\n")
        print(f"      {show('area', rect)} in the main window, background #{background:06x}")
        return 0
    background, rect = read_area(path)
    box, shown = windows_on(pixels, background, rect)
    print(f"      {show('area', rect)}; "
          f"{show('windows', box) if box else 'no window'}; {shown:.1%} of the area shows")
    if what == "--inside":
        # A window that reaches past the area is cut off at its edge: the background shows
        # between every window and the area's right and bottom edges.
        return 0 if box and box[2] < rect[2] and box[3] < rect[3] else 1
    if what == "--filled":
        # A few pixels of a window's own drawing may share the background's colour.
        return 0 if shown < FILLED_BELOW else 1
    if what == "--title-bar":
        if not box:
            return 1
        print(f"{x + box[0] + (box[2] - box[0]) // 3} {y + box[1] + 10}")
        return 0
    sys.exit(f"unknown request {what}")


if __name__ == "__main__":
    sys.exit(main())
