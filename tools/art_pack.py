#!/usr/bin/env python3
"""Turns rendered artwork (RGBA PNG files from rsvg-convert) into the program's
resource files: 16-colour bitmaps and the icon, all 4 bits per pixel with the
standard 16-colour Windows palette, mapped to the nearest colour without
dithering. The panel's picture at a scale other than 96 DPI is a 4-bit palette
PNG (a fifth of the size of a bitmap compressed by run lengths), with its
white fields put exactly under the scaled rectangles of the controls. Also checks the panel picture against the control
placements and draws the alignment preview. Standard library only.

    art_pack.py bmp IN.png OUT.bmp [--shift DX,DY OUT2.bmp]
    art_pack.py picture DPI IN.png OUT.png panel_fields.h
    art_pack.py ico OUT.ico IN32.png IN16.png
    art_pack.py ico-full OUT.ico IN.png...
    art_pack.py canvas WIDTH HEIGHT OUT.bmp IN.png@X,Y...
    art_pack.py check-fields PICTURE.{bmp,png} panel_fields.h [DPI]
    art_pack.py preview PICTURE.{bmp,png} panel_fields.h OUT.png [DPI]
"""

import os
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


def read_png_chunks(path):
    """Returns (IHDR fields or None, PLTE colours or None, the IDAT data joined)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(f"{path}: not a PNG file")
    pos, idat, header, palette = 8, b"", None, None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"PLTE":
            palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + length
    return header, palette, idat


def read_png(path):
    """Returns (width, height, rows of RGBA tuples) of an 8-bit RGB or RGBA PNG."""
    header, _, idat = read_png_chunks(path)
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


def write_palette_png(path, pixels):
    """Writes palette indices as a 4-bit palette PNG with the standard palette,
    each row unfiltered, compressed as tightly as zlib can."""
    width, height = len(pixels[0]), len(pixels)
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        line = bytearray((width + 1) // 2)
        for x, index in enumerate(row):
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        raw += line

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 4, 3, 0, 0, 0)))
        f.write(chunk(b"PLTE", b"".join(bytes(rgb) for rgb in PALETTE)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


def read_palette_png(path):
    """Reads back a file written by write_palette_png: rows of palette indices."""
    header, palette, idat = read_png_chunks(path)
    if header is None or header[2:] != (4, 3, 0, 0, 0) or palette != PALETTE:
        fail(f"{path}: expected an unfiltered 4-bit PNG with the standard palette")
    width, height = header[:2]
    raw = zlib.decompress(idat)
    stride = (width + 1) // 2
    rows = []
    for y in range(height):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        if line[0] != 0:
            fail(f"{path}: a filtered row")
        rows.append([(line[1 + x // 2] >> (0 if x % 2 else 4)) & 15 for x in range(width)])
    return rows


def read_picture(path):
    return read_palette_png(path) if path.endswith(".png") else read_bmp(path)


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


def _write_icon_file(path, images):
    """images: list of (size, colour count, bits per pixel, image bytes), in order."""
    entries, bodies = b"", b""
    offset = 6 + 16 * len(images)
    for size, colours, bpp, body in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp, len(body), offset)
        bodies += body
        offset += len(body)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + entries + bodies)


def write_ico(path, images):
    """images: list of (pixels, mask) of square images; pixels hold palette indices."""
    packed = []
    for pixels, mask in images:
        size = len(pixels)
        bits = _pixel_rows_4bpp(pixels)
        and_bits = _mask_rows(mask)
        body = _info_header(size, size * 2, len(bits) + len(and_bits)) + _palette_bytes() + bits + and_bits
        packed.append((size, 16, 4, body))
    _write_icon_file(path, packed)


def write_full_colour_ico(path, images):
    """images: list of (size, rows of RGBA tuples, PNG bytes or None). An image
    with PNG bytes is stored as that PNG file (the 48- and 256-pixel images:
    Windows reads PNG icon images since Vista, and pixel art packs small);
    the others as 32-bit bottom-up BGRA with their alpha, and an AND mask for
    the systems that draw without alpha."""
    packed = []
    for size, rows, png in images:
        if png is None:
            bits = b"".join(bytes(c for r, g, b, a in row for c in (b, g, r, a)) for row in reversed(rows))
            and_bits = _mask_rows([[pixel[3] == 0 for pixel in row] for row in rows])
            png = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(bits) + len(and_bits),
                              0, 0, 0, 0) + bits + and_bits
        packed.append((size, 0, 32, png))
    _write_icon_file(path, packed)


def write_bmp24(path, rows):
    """Rows of RGB tuples as a 24-bit bottom-up bitmap."""
    width, height = len(rows[0]), len(rows)
    stride = (width * 3 + 3) // 4 * 4
    bits = b"".join(bytes(c for r, g, b in row for c in (b, g, r)).ljust(stride, b"\0") for row in reversed(rows))
    offset = 14 + 40
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset))
        f.write(struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(bits), 2835, 2835, 0, 0))
        f.write(bits)


# ---- Control placements ------------------------------------------------------

def scale_to_dpi(pixels, dpi):
    """A measure of the 96-DPI panel at dpi, rounded as the program rounds it
    (MulDiv: halves away from zero)."""
    product = abs(pixels) * dpi
    scaled = (product + 48) // 96
    return scaled if pixels >= 0 else -scaled


def _evaluate(expression, width, height, dpi):
    if not re.fullmatch(r"[\w\s+\-*/(),]+", expression):
        fail(f"unexpected expression in the placements: {expression}")
    names = set(re.findall(r"[A-Za-z_]\w*", expression))
    if not names <= {"width", "height", "dpi", "ScaleToDpi"}:
        fail(f"unexpected names in the placements: {expression}")
    return int(eval(expression, {"__builtins__": {}},
                    {"width": width, "height": height, "dpi": dpi, "ScaleToDpi": scale_to_dpi}))


def read_placements(path, dpi=96):
    """Returns the picture's size, the controls [(name, (l, t, r, b))] and the
    inner rectangles of a frame as a function of its client size, all at dpi:
    the field table's rectangles (a slider's frame after its value box), as
    the panel places them. The frames' inner rectangles are read from the
    layout's header beside the table's (panel_layout.h)."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    layout = os.path.join(os.path.dirname(path), "panel_layout.h")
    if os.path.exists(layout):
        with open(layout, encoding="utf-8") as f:
            text += "\n" + f.read()
    block = re.search(r"kPanelFields\[\]\s*=\s*\{(.*?)\n\};", text, re.S)
    if not block:
        fail(f"{path}: no kPanelFields table")
    rect = r"\{\s*(-?\d+),\s*(-?\d+),\s*(-?\d+),\s*(-?\d+)\s*\}"
    controls = []
    for found in re.finditer(r"\{FieldKind::\w+,\s*(\w+),\s*" + rect +
                             r"|\{\w+,\s*(\w+_FRAME),\s*\w+,\s*\w+,\s*" + rect, block.group(1)):
        groups = found.groups()
        name, values = (groups[0], groups[1:5]) if groups[0] else (groups[5], groups[6:10])
        controls.append((name, tuple(scale_to_dpi(int(v), dpi) for v in values)))
    if not controls:
        fail(f"{path}: the placement table is empty")
    inner = []
    for function in ("FrameMinimumRect", "FrameMaximumRect", "FrameSliderRect"):
        found = re.search(function + r"\([^)]*\)\s*\{\s*return\s*\{(.*?)\};", text, re.S)
        if not found:
            fail(f"{path}: no {function}")
        parts, depth, current = [], 0, ""
        for c in found.group(1):
            if c == "," and depth == 0:
                parts.append(current.strip())
                current = ""
                continue
            depth += (c == "(") - (c == ")")
            current += c
        parts.append(current.strip())
        inner.append(parts)

    def frame_inner(width, height):
        return [tuple(_evaluate(part, width, height, dpi) for part in parts) for parts in inner]

    size = []
    for name in ("kPictureWidth", "kPictureHeight"):
        found = re.search(name + r"\s*=\s*(\d+);", text)
        if not found:
            fail(f"{path}: no {name}")
        size.append(scale_to_dpi(int(found.group(1)), dpi))
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


def _icon_images(args, usage):
    """(path, size, RGBA rows) of each icon image named after the output file."""
    if len(args) < 2:
        fail("usage: " + usage)
    for path in args[1:]:
        width, height, rows = read_png(path)
        if width != height or width > 256:
            fail(f"{path}: an icon image must be square, at most 256 pixels")
        yield path, width, rows


def command_ico(args):
    images = []
    for path, _, rows in _icon_images(args, "ico OUT.ico IN.png..."):
        pixels = quantise(path, rows)
        mask = [[index is None for index in row] for row in pixels]
        # Transparent pixels are black in the colour image, so that the AND
        # mask and the XOR image together leave the screen unchanged.
        pixels = [[0 if index is None else index for index in row] for row in pixels]
        images.append((pixels, mask))
    write_ico(args[0], images)


def command_ico_full(args):
    images = []
    for path, width, rows in _icon_images(args, "ico-full OUT.ico IN.png..."):
        png = open(path, "rb").read() if width >= 48 else None
        images.append((width, rows, png))
    write_full_colour_ico(args[0], images)


def command_canvas(args):
    """White WIDTH x HEIGHT with each PNG laid over it at X,Y (alpha blended)."""
    if len(args) < 4:
        fail("usage: canvas WIDTH HEIGHT OUT.bmp IN.png@X,Y...")
    width, height = int(args[0]), int(args[1])
    canvas = [[(255, 255, 255)] * width for _ in range(height)]
    for item in args[3:]:
        path, place = item.rsplit("@", 1)
        left, top = (int(v) for v in place.split(","))
        w, h, rows = read_png(path)
        if left < 0 or top < 0 or left + w > width or top + h > height:
            fail(f"{path} does not fit at {place}")
        for y in range(h):
            line = canvas[top + y]
            for x in range(w):
                r, g, b, a = rows[y][x]
                under = line[left + x]
                line[left + x] = tuple((c * a + u * (255 - a) + 127) // 255 for c, u in zip((r, g, b), under))
    write_bmp24(args[2], canvas)


def command_picture(args):
    if len(args) != 4:
        fail("usage: picture DPI IN.png OUT.png panel_fields.h")
    dpi = int(args[0])
    width, height, rows = read_png(args[1])
    (expected_width, expected_height), controls, _ = read_placements(args[3], dpi)
    if (width, height) != (expected_width, expected_height):
        fail(f"{args[1]} is {width} x {height}, the panel at {dpi} DPI expects "
             f"{expected_width} x {expected_height}")
    pixels = quantise(args[1], rows, background=WHITE)
    # The drawing's field outlines, one pixel at 96 DPI, fall between pixels at
    # other scales: each field is put exactly under its control's scaled
    # rectangle, a black edge round white, as at 96 DPI.
    for _, (left, top, right, bottom) in controls:
        for y in range(top, bottom):
            for x in range(left, right):
                border = x in (left, right - 1) or y in (top, bottom - 1)
                pixels[y][x] = PALETTE.index((0, 0, 0)) if border else WHITE
    write_palette_png(args[2], pixels)


def command_check_fields(args):
    if len(args) not in (2, 3):
        fail("usage: check-fields PICTURE.bmp panel_fields.h [DPI]")
    pixels = read_picture(args[0])
    dpi = int(args[2]) if len(args) == 3 else 96
    (width, height), controls, _ = read_placements(args[1], dpi)
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
    if len(args) not in (3, 4):
        fail("usage: preview PICTURE.bmp panel_fields.h OUT.png [DPI]")
    pixels = read_picture(args[0])
    dpi = int(args[3]) if len(args) == 4 else 96
    _, controls, frame_inner = read_placements(args[1], dpi)
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
    border = scale_to_dpi(FRAME_BORDER, dpi)
    for name, (left, top, right, bottom) in controls:
        if not name.endswith("_FRAME"):
            continue
        client_w = right - left - 2 * border
        client_h = bottom - top - 2 * border
        for l, t, r, b in frame_inner(client_w, client_h):
            x0, y0 = left + border, top + border
            outline((x0 + l, y0 + t, x0 + r, y0 + b), (255, 128, 0), dashed=True)
    write_png(args[2], width, height, image)


def main():
    commands = {"bmp": command_bmp, "picture": command_picture, "ico": command_ico,
                "ico-full": command_ico_full, "canvas": command_canvas,
                "check-fields": command_check_fields,
                "preview": command_preview}
    if len(sys.argv) < 2 or sys.argv[1] not in commands:
        fail("usage: art_pack.py {" + ",".join(commands) + "} ...")
    commands[sys.argv[1]](sys.argv[2:])


if __name__ == "__main__":
    main()
