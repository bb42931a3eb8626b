"""What the end-to-end tests expect, computed independently of the program: the shipped plugins, the mapping
grid's pixels, the default camera's view of a cube, and the colour classes of the lit model in a viewport frame."""

import itertools
import math
import struct

SIDE = 256
# The plugins the working folder ships with, as the Plugins dialog's sorted list shows them; vmr.dll, the one
# start-up loads, is the last.
SHIPPED_PLUGINS = ["gltf.dll", "md2.dll", "obj.dll", "vmr.dll"]
K = 0.99989998340606689453125   # the float nearest 0.9999: u = 1.0 must land on column 255


# ------------------------------------------------------------------ the mapping grid

def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def texel(coordinate):
    """Column (or row) of a texture coordinate as the plugin hands it over: trunc(float(u) * K * 256), each
    product in double precision."""
    return int(f32(coordinate) * K * 256.0)


def _div_toward_zero(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def grid_line(x0, y0, x1, y1):
    """The 16.16 walk along the longer axis: start drawn, end not."""
    dx, dy = x1 - x0, y1 - y0
    if abs(dy) > abs(dx):
        step, slope = (1 if dy >= 0 else -1), _div_toward_zero(dx * 65536, abs(dy))
        return [(x0 + ((k * slope) >> 16), y0 + k * step) for k in range(abs(dy))]
    if dx == 0:
        return []
    step, slope = (1 if dx >= 0 else -1), _div_toward_zero(dy * 65536, abs(dx))
    return [(x0 + k * step, y0 + ((k * slope) >> 16)) for k in range(abs(dx))]


def grid_pixels(triangles):
    """(column, row from the bottom) of every grid pixel of triangles given as three (u, v) corners each,
    edges in corner order; pixels outside the layer are dropped."""
    pixels = set()
    for corners in triangles:
        p = [(texel(u), texel(v)) for u, v in corners]
        for a, b in ((p[0], p[1]), (p[1], p[2]), (p[2], p[0])):
            pixels.update(q for q in grid_line(*a, *b) if 0 <= q[0] < SIDE and 0 <= q[1] < SIDE)
    return pixels


def to_view(pixels):
    """Grid pixels (column, row from the bottom) as skin view positions (x, y from the top)."""
    return {(x, SIDE - 1 - y) for x, y in pixels}


# ------------------------------------------------------------------ the viewport

def box_extent_over_a_turn():
    """Screen bounds (left, top, right, bottom) of a cube of side 20 at the origin under the default camera
    (50 units away, tilted 20 degrees, 45-degree field of view over 512 pixels): the union and the
    intersection of its bounds over a whole turn of the spin."""
    focal = 256.0 / math.tan(math.radians(22.5))
    tilt = math.radians(20.0)
    outer, inner = [1e9, 1e9, -1e9, -1e9], [-1e9, -1e9, 1e9, 1e9]
    for half_degrees in range(720):
        yaw = math.radians(half_degrees / 2.0)
        xs, ys = [], []
        for x, y, z in itertools.product((-10.0, 10.0), repeat=3):
            x, z = x * math.cos(yaw) + z * math.sin(yaw), -x * math.sin(yaw) + z * math.cos(yaw)
            y, z = y * math.cos(tilt) - z * math.sin(tilt), y * math.sin(tilt) + z * math.cos(tilt)
            xs.append(256 + focal * x / (50.0 - z))
            ys.append(256 - focal * y / (50.0 - z))
        outer = [min(outer[0], min(xs)), min(outer[1], min(ys)), max(outer[2], max(xs)), max(outer[3], max(ys))]
        inner = [max(inner[0], min(xs)), max(inner[1], min(ys)), min(inner[2], max(xs)), min(inner[3], max(ys))]
    return outer, inner


def bright_bounds(frame, threshold=64):
    """(left, top, right, bottom, count) of the pixels brighter than threshold, or None."""
    xs, ys = [], []
    for y in range(frame.height):
        row = frame.rows[y]
        for x in range(frame.width):
            if max(row[3 * x], row[3 * x + 1], row[3 * x + 2]) > threshold:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs), max(ys), len(xs)) if xs else None


def count(picture, predicate):
    n = 0
    for row in picture.rows:
        for i in range(0, 3 * picture.width, 3):
            if predicate(row[i], row[i + 1], row[i + 2]):
                n += 1
    return n


def bluish(r, g, b):
    # The default pen colour 0, 119, 170 under the viewport's lighting: no red at all, blue above green.
    return b >= 50 and r <= 20 and b > g


def greyish(r, g, b):
    # White (texture or plain material) under white light: the three components stay together.
    return r >= 60 and abs(r - g) <= 12 and abs(r - b) <= 12


def model_colour(frame, enough=20000, stray=300):
    """'blue' (the default pen colour) or 'grey' (white texture or plain material) when the lit model in a
    viewport frame is clearly of that colour, 'black' for an empty frame, None otherwise."""
    blue, grey = count(frame, bluish), count(frame, greyish)
    if blue >= enough and grey <= stray:
        return "blue"
    if grey >= enough and blue <= stray:
        return "grey"
    if all(max(row) == 0 for row in frame.rows):
        return "black"
    return None
