#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets from the test images.

    python3 tests/fuzz/make_seeds.py IMAGES CORPUS

IMAGES holds the cross-check's source images (dibdraw_conformance images
IMAGES); CORPUS is tests/fuzz/corpus. Each image becomes BMP files in the
layouts the reader knows (as written, run-length encoded, 16 and 32 bits with
bit fields, the old 12-byte header, top-down, a short colour table), PNG files
of every colour type and depth the reader maps, and a packed DIB followed by
call choices for the library targets. Python's standard library only.
"""
import os
import struct
import sys
import zlib


def read_bmp(path):
    data = open(path, 'rb').read()
    offset = struct.unpack_from('<I', data, 10)[0]
    width, height, _, bits = struct.unpack_from('<iiHH', data, 18)
    colours = 1 << bits if bits <= 8 else 0
    table = [data[54 + 4 * i:58 + 4 * i] for i in range(colours)]
    stride = (width * bits + 31) // 32 * 4
    rows = []  # top row first; indices, or (r, g, b) for 24 bits
    for y in range(height):
        row = data[offset + (height - 1 - y) * stride:][:stride]
        if bits == 24:
            rows.append([(row[3 * x + 2], row[3 * x + 1], row[3 * x]) for x in range(width)])
        else:
            per = 8 // bits
            rows.append([(row[x // per] >> (8 - bits * (x % per + 1))) & ((1 << bits) - 1) for x in range(width)])
    return {'width': width, 'height': height, 'bits': bits, 'table': table, 'rows': rows, 'file': data,
            'dib': data[14:]}


def pack_row(values, bits):
    if bits >= 8:
        return bytes(values)
    out = bytearray((len(values) * bits + 7) // 8)
    for x, v in enumerate(values):
        out[x * bits // 8] |= v << (8 - bits - x * bits % 8)
    return bytes(out)


def bmp_file(info, table, pixels):
    offset = 14 + len(info) + len(table)
    return b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset) + info + table + pixels


def info_header(width, height, bits, compression=0, size=40, colours_used=0, masks=()):
    header = struct.pack('<IiiHHIIiiII', size, width, height, 1, bits, compression, 0, 2835, 2835, colours_used, 0)
    header += b''.join(struct.pack('<I', m) for m in masks)
    return header.ljust(size, b'\0')


def padded(row):
    return row + b'\0' * (-len(row) % 4)


def bottom_up(image, encode):
    return b''.join(padded(encode(row)) for row in reversed(image['rows']))


def rle(image, bits):
    """BI_RLE8 or BI_RLE4: runs of equal pixels, absolute runs for the rest."""
    out = bytearray()
    for row in reversed(image['rows']):
        x = 0
        while x < len(row):
            run = 1
            while x + run < len(row) and run < 255 and row[x + run] == row[x]:
                run += 1
            if run >= 3 or len(row) - x < 3:
                value = row[x] if bits == 8 else row[x] << 4 | row[x]
                out += bytes([run, value])
                x += run
                continue
            count = min(255, len(row) - x)
            literal = row[x:x + count]
            data = bytes(literal) if bits == 8 else pack_row(literal, 4)
            out += bytes([0, count]) + data + b'\0' * (len(data) % 2)
            x += count
        out += b'\0\0'  # end of line
    return bytes(out + b'\0\1')  # end of bitmap


def bmp_variants(name, image):
    w, h, bits = image['width'], image['height'], image['bits']
    table = b''.join(image['table'])
    yield name, image['file']
    if bits in (4, 8):
        yield name + '_rle', bmp_file(info_header(w, h, bits, 1 if bits == 8 else 2), table, rle(image, bits))
    if bits <= 8:
        core = struct.pack('<IHHHH', 12, w, h, 1, bits)
        entries = b''.join(q[:3] for q in image['table'])
        yield name + '_core', bmp_file(core, entries, bottom_up(image, lambda r: pack_row(r, bits)))
        top_down = b''.join(padded(pack_row(r, bits)) for r in image['rows'])
        yield name + '_topdown', bmp_file(info_header(w, -h, bits), table, top_down)
    if bits == 8:
        yield name + '_short_table', bmp_file(info_header(w, h, 8, colours_used=24), table[:96],
                                              bottom_up(image, bytes))
    if bits == 24:
        rgb565 = lambda r: b''.join(struct.pack('<H', (p[0] >> 3) << 11 | (p[1] >> 2) << 5 | p[2] >> 3) for p in r)
        yield name + '_565', bmp_file(info_header(w, h, 16, 3, masks=(0xF800, 0x07E0, 0x001F)), b'',
                                      bottom_up(image, rgb565))
        bgrx = lambda r: b''.join(bytes((p[2], p[1], p[0], 255)) for p in r)
        yield name + '_32', bmp_file(info_header(w, h, 32), b'', bottom_up(image, bgrx))
        yield name + '_v4_masks', bmp_file(info_header(w, h, 32, 3, 108, masks=(0xFF0000, 0xFF00, 0xFF)), b'',
                                           bottom_up(image, bgrx))


def png_chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png_file(rows, colour_type, depth, palette=None, transparency=None, interlaced=False):
    """rows: top row first, one list of samples per row (channels interleaved)."""
    height, channels = len(rows), {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    width = len(rows[0]) // channels

    def pack(samples):
        if depth == 16:
            return b''.join(struct.pack('>H', s) for s in samples)
        return pack_row(samples, depth)

    passes = ADAM7 if interlaced else [(0, 0, 1, 1)]
    raw = bytearray()
    for x0, y0, dx, dy in passes:
        for y in range(y0, height, dy):
            samples = [s for x in range(x0, width, dx) for s in rows[y][x * channels:(x + 1) * channels]]
            if samples:
                raw += b'\0' + pack(samples)
    out = b'\x89PNG\r\n\x1a\n'
    out += png_chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, depth, colour_type, 0, 0, int(interlaced)))
    if palette:
        out += png_chunk(b'PLTE', b''.join(bytes((q[2], q[1], q[0])) for q in palette))
    if transparency:
        out += png_chunk(b'tRNS', transparency)
    return out + png_chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + png_chunk(b'IEND', b'')


def png_variants(name, image):
    rows, bits = image['rows'], image['bits']
    if bits <= 8:
        depth = {1: 1, 4: 4, 8: 8}[bits]
        yield name, png_file(rows, 3, depth, image['table'])
        yield name + '_interlaced', png_file(rows, 3, depth, image['table'], interlaced=True)
        grey = [[image['table'][v][1] for v in row] for row in rows]
        yield name + '_grey', png_file(grey, 0, 8)
        if bits == 1:
            yield name + '_grey1', png_file(rows, 0, 1)
        if bits == 4:
            yield name + '_palette2', png_file([[v & 3 for v in row] for row in rows], 3, 2, image['table'][:4],
                                               transparency=b'\0\x80')
            yield name + '_grey16', png_file([[g * 257 for g in row] for row in grey], 0, 16)
            yield name + '_grey_alpha', png_file([[s for g in row for s in (g, 255 - g)] for row in grey], 4, 8)
    else:
        flat = [[s for p in row for s in p] for row in rows]
        yield name, png_file(flat, 2, 8)
        yield name + '_interlaced', png_file(flat, 2, 8, interlaced=True)
        yield name + '_alpha', png_file([[s for p in row for s in p + (200,)] for row in rows], 6, 8)
        yield name + '_16', png_file([[s * 257 for s in row] for row in flat], 2, 16)


def call_choices(seed, count=96):
    """Bytes the library target reads its calls from, the same for every run."""
    state = seed
    out = bytearray()
    for _ in range(count):
        state = (state * 1664525 + 1013904223) & 0xFFFFFFFF
        out.append(state >> 24)
    return bytes(out)


def write(directory, name, data):
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), 'wb') as out:
        out.write(data)


def main(images, corpus):
    for index, file_name in enumerate(sorted(os.listdir(images))):
        name = os.path.splitext(file_name)[0]
        image = read_bmp(os.path.join(images, file_name))
        for seed_name, data in bmp_variants(name, image):
            write(os.path.join(corpus, 'bmp_reader'), 'seed_' + seed_name + '.bmp', data)
        for seed_name, data in png_variants(name, image):
            write(os.path.join(corpus, 'png_reader'), 'seed_' + seed_name + '.png', data)
        # Both library targets read a packed DIB, then their call choices.
        for target in ('blitter_api', 'c_interface'):
            for variant in range(2):
                write(os.path.join(corpus, target), 'seed_%s_%d' % (name, variant),
                      image['dib'] + call_choices(index * 2 + variant + 1))


if __name__ == '__main__':
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
