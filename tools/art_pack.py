#!/usr/bin/env python3
"""Turns rendered artwork (RGBA PNG files from rsvg-convert) into the program's
resource files: 16-colour bitmaps and the icon, all 4 bits per pixel with the
standard 16-colour Windows palette, mapped to the nearest colour without
dithering. Also checks the panel picture against the control placements and
draws the alignment preview. Standard library only.

    art_pack.py bmp IN.png OUT.bmp [--shift DX,DY OUT2.bmp]
    art_pack.py ico OUT.ico IN32.png IN16.png
    art_pack.py check-fields PICTURE.bmp placement.h
    art_pack.py preview PICTURE.bmp placement.h OUT.png
"""

import re
import struct
import sys
import zlib

# The standard 16-colour palette, in the order of the Windows system palette.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
WHITE = PALETTE.index((255, 255, 255))
LIGHT_GREY = PALETTE.index((192, 192, 192))

# A slider frame has a client edge and a modal-frame border: 2 + 3 pixels on
# every side lie outside its client area.
FRAME_BORDER = 5


def fail(message):
    sys.exit("art_pack: " + message)


# ---- PNG ---------------------------------------------------------------------

def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_png(path):
    """Returns (width, height, rows of RGBA tuples) of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(f"{path}: not a PNG file")
    pos, idat, header = 8, b"", None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + length
    if header is None:
        fail(f"{path}: no PNG header")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        fail(f"{path}: only 8-bit, non-interlaced RGB or RGBA PNG files are read")
    channels = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                line[i] = (line[i] + _paeth(a, b, c)) & 255
        previous = line
        if channels == 4:
            rows.append([tuple(line[x * 4:x * 4 + 4]) for x in range(width)])
        else:
            rows.append([tuple(line[x * 3:x * 3 + 3]) + (255,) for x in range(width)])
    return width, height, rows


def write_png(path, width, height, rows):
    """Writes rows of RGB tuples as an 8-bit RGB PNG."""
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for r, g, b in row:
            raw += bytes((r, g, b))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


# ---- Palette -----------------------------------------------------------------

_nearest_cache = {}


def nearest(rgb):
    index = _nearest_cache.get(rgb)
    if index is None:
        index = min(range(16), key=lambda i: sum((p - q) ** 2 for p, q in zip(PALETTE[i], rgb)))
        _nearest_cache[rgb] = index
    return index


def quantise(path, rows, background=None):
    """Maps every pixel to its nearest palette index. Transparent pixels (alpha
    below 128) become None, or the background index when one is given. Reports
    how many visible pixels were not palette colours already."""
    out, off = [], 0
    for row in rows:
        line = []
        for r, g, b, a in row:
            if a < 128:
                line.append(background)
                continue
            if a < 255:
                # Blend over white, as it would have been drawn on the page.
                r, g, b = (c * a // 255 + 255 - a for c in (r, g, b))
            if (r, g, b) not in PALETTE:
                off += 1
            line.append(nearest((r, g, b)))
        out.append(line)
    if off:
        print(f"art_pack: {path}: {off} pixels mapped to their nearest palette colour")
    return out


# ---- BMP and ICO -------------------------------------------------------------

def _palette_bytes():
    return b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)


def _pixel_rows_4bpp(pixels):
    """Bottom-up 4-bpp rows, each padded to a multiple of four bytes."""
    width = len(pixels[0])
    stride = (width * 4 + 31) // 32 * 4
    out = bytearray()
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, index in enumerate(row):
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        out += line
    return bytes(out)


def _mask_rows(mask):
    """Bottom-up 1-bpp rows of the icon's AND mask (1 = transparent)."""
    width = len(mask[0])
    stride = (width + 31) // 32 * 4
    out = bytearray()
    for row in reversed(mask):
        line = bytearray(stride)
        for x, transparent in enumerate(row):
            if transparent:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def _info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 3780, 3780, 16, 16)


def write_bmp(path, pixels):
    width, height = len(pixels[0]), len(pixels)
    bits = _pixel_rows_4bpp(pixels)
    offset = 14 + 40 + 64
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset))
        f.write(_info_header(width, height, len(bits)))
        f.write(_palette_bytes())
        f.write(bits)


def read_bmp(path):
    """Reads back a file written by write_bmp: rows of palette indices, top down."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        fail(f"{path}: not a bitmap")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bpp = struct.unpack_from("<iiHH", data, 18)
    if bpp != 4 or height <= 0:
        fail(f"{path}: expected a bottom-up 4-bpp bitmap")
    stride = (width * 4 + 31) // 32 * 4
    rows = []
    for y in range(height):
        line = data[offset + (height - 1 - y) * stride:offset + (height - y) * stride]
        rows.append([(line[x // 2] >> (0 if x % 2 else 4)) & 15 for x in range(width)])
    return rows


def write_ico(path, images):
    """images: list of (pixels, mask) of square images; pixels hold palette indices."""
    entries, bodies = b"", b""
    offset = 6 + 16 * len(images)
    for pixels, mask in images:
        size = len(pixels)
        bits = _pixel_rows_4bpp(pixels)
        and_bits = _mask_rows(mask)
        body = _info_header(size, size * 2, len(bits) + len(and_bits)) + _palette_bytes() + bits + and_bits
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(body), offset)
        bodies += body
        offset += len(body)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + entries + bodies)


# ---- Control placements ------------------------------------------------------

def _evaluate(expression, width, height):
    if not re.fullmatch(r"[\w\s+\-*/()]+", expression):
        fail(f"unexpected expression in the placements: {expression}")
    names = set(re.findall(r"[A-Za-z_]\w*", expression))
    if not names <= {"width", "height"}:
        fail(f"unexpected names in the placements: {expression}")
    return int(eval(expression, {"__builtins__": {}}, {"width": width, "height": height}))


def read_placements(path):
    """Returns the picture's size, the controls [(name, (l, t, r, b))] and the
    inner rectangles of a frame as a function of its client size."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    block = re.search(r"kPicturePlacements\[\]\s*=\s*\{(.*?)\n\};", text, re.S)
    if not block:
        fail(f"{path}: no kPicturePlacements table")
    controls = [(name, tuple(int(v) for v in values))
                for name, *values in re.findall(r"\{(\w+),\s*\{(-?\d+),\s*(-?\d+),\s*(-?\d+),\s*(-?\d+)\}\}",
                                                block.group(1))]
    if not controls:
        fail(f"{path}: the placement table is empty")
    inner = []
    for function in ("FrameMinimumRect", "FrameMaximumRect", "FrameSliderRect"):
        found = re.search(function + r"\([^)]*\)\s*\{\s*return\s*\{([^}]*)\};", text)
        if not found:
            fail(f"{path}: no {function}")
        inner.append([part.strip() for part in found.group(1).split(",")])

    def frame_inner(width, height):
        return [tuple(_evaluate(part, width, height) for part in parts) for parts in inner]

    size = []
    for name in ("kPictureWidth", "kPictureHeight"):
        found = re.search(name + r"\s*=\s*(\d+);", text)
        if not found:
            fail(f"{path}: no {name}")
        size.append(int(found.group(1)))
    return tuple(size), controls, frame_inner


def field_faults(pixels, rect):
    """What is wrong with the white field that should lie exactly under rect."""
    left, top, right, bottom = rect
    height, width = len(pixels), len(pixels[0])
    if not (0 <= left < right <= width and 0 <= top < bottom <= height):
        return ["lies outside the picture"]
    faults = []
    for y in range(top, bottom):
        for x in range(left, right):
            border = x in (left, right - 1) or y in (top, bottom - 1)
            white = pixels[y][x] == WHITE
            if border and white:
                faults.append(f"white border pixel at ({x}, {y})")
            elif not border and not white:
                faults.append(f"non-white pixel at ({x}, {y})")
    return faults


# ---- Commands ----------------------------------------------------------------

def command_bmp(args):
    if len(args) not in (2, 5) or (len(args) == 5 and args[2] != "--shift"):
        fail("usage: bmp IN.png OUT.bmp [--shift DX,DY OUT2.bmp]")
    width, height, rows = read_png(args[0])
    pixels = quantise(args[0], rows, background=WHITE)
    write_bmp(args[1], pixels)
    if len(args) == 5:
        # The same pixels moved right and down; what is uncovered takes the
        # colour of the top-left corner (the background).
        dx, dy = (int(v) for v in args[3].split(","))
        fill = pixels[0][0]
        shifted = [[pixels[y - dy][x - dx] if 0 <= y - dy < height and 0 <= x - dx < width else fill
                    for x in range(width)] for y in range(height)]
        write_bmp(args[4], shifted)


def command_ico(args):
    if len(args) < 2:
        fail("usage: ico OUT.ico IN.png...")
    images = []
    for path in args[1:]:
        width, height, rows = read_png(path)
        if width != height:
            fail(f"{path}: an icon image must be square")
        pixels = quantise(path, rows)
        mask = [[index is None for index in row] for row in pixels]
        # Transparent pixels are black in the colour image, so that the AND
        # mask and the XOR image together leave the screen unchanged.
        pixels = [[0 if index is None else index for index in row] for row in pixels]
        images.append((pixels, mask))
    write_ico(args[0], images)


def command_check_fields(args):
    if len(args) != 2:
        fail("usage: check-fields PICTURE.bmp placement.h")
    pixels = read_bmp(args[0])
    (width, height), controls, _ = read_placements(args[1])
    if (len(pixels[0]), len(pixels)) != (width, height):
        fail(f"{args[0]} is {len(pixels[0])} x {len(pixels)}, the placements expect {width} x {height}")
    bad = False
    for name, rect in controls:
        faults = field_faults(pixels, rect)
        if faults:
            bad = True
            shown = "; ".join(faults[:4]) + (f" and {len(faults) - 4} more" if len(faults) > 4 else "")
            print(f"art_pack: the field of {name} {rect}: {shown}", file=sys.stderr)
    if bad:
        sys.exit(1)


def command_preview(args):
    if len(args) != 3:
        fail("usage: preview PICTURE.bmp placement.h OUT.png")
    pixels = read_bmp(args[0])
    _, controls, frame_inner = read_placements(args[1])
    image = [[PALETTE[index] for index in row] for row in pixels]
    height, width = len(image), len(image[0])

    def outline(rect, colour, dashed=False):
        left, top, right, bottom = rect
        for y in range(top, bottom):
            for x in range(left, right):
                if not (x in (left, right - 1) or y in (top, bottom - 1)):
                    continue
                if dashed and (x + y) % 4 >= 2:
                    continue
                if 0 <= x < width and 0 <= y < height:
                    image[y][x] = colour

    for name, rect in controls:
        outline(rect, (255, 0, 255))
    for name, (left, top, right, bottom) in controls:
        if not name.endswith("_FRAME"):
            continue
        client_w = right - left - 2 * FRAME_BORDER
        client_h = bottom - top - 2 * FRAME_BORDER
        for l, t, r, b in frame_inner(client_w, client_h):
            x0, y0 = left + FRAME_BORDER, top + FRAME_BORDER
            outline((x0 + l, y0 + t, x0 + r, y0 + b), (255, 128, 0), dashed=True)
    write_png(args[2], width, height, image)


def main():
    commands = {"bmp": command_bmp, "ico": command_ico, "check-fields": command_check_fields,
                "preview": command_preview}
    if len(sys.argv) < 2 or sys.argv[1] not in commands:
        fail("usage: art_pack.py {" + ",".join(commands) + "} ...")
    commands[sys.argv[1]](sys.argv[2:])


if __name__ == "__main__":
    main()
