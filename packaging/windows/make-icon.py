# Writes app/zuvelo.ico; run from the repository root: python3 packaging/windows/make-icon.py
# The window icon's artwork (a disc with a quaver), 126 x 116, two colours and a transparency mask.
import struct
W, H = 126, 116
def bez(p0, p1, p2, p3, n=40):
    return [tuple((1-t)**3*a + 3*(1-t)**2*t*b + 3*(1-t)*t*t*c + t**3*d for a, b, c, d in zip(p0, p1, p2, p3))
            for t in (i / n for i in range(n + 1))]
flag = bez((58, 24), (72, 34), (92, 40), (86, 70)) + bez((86, 70), (84, 54), (74, 46), (58, 44))
def inside(poly, x, y):
    c = False
    for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            c = not c
    return c
def ell(x, y, l, t, w, h):
    return ((x - l - w / 2) / (w / 2)) ** 2 + ((y - t - h / 2) / (h / 2)) ** 2 <= 1
px = {}
for y in range(H):
    for x in range(W):
        cx, cy = x + 0.5, y + 0.5
        if ell(cx, cy, 30, 70, 30, 22) or (54 <= cx < 61 and 24 <= cy < 82) or inside(flag, cx, cy):
            px[x, y] = 1
        elif ell(cx, cy, 5, 0, 116, 116):
            px[x, y] = 0
stride = ((W + 31) // 32) * 4
xor = bytearray(); andm = bytearray()
for y in reversed(range(H)):
    r = bytearray(stride); m = bytearray(stride)
    for x in range(W):
        if px.get((x, y)) == 1: r[x // 8] |= 0x80 >> (x % 8)
        if (x, y) not in px: m[x // 8] |= 0x80 >> (x % 8)
    xor += r; andm += m
bmp = struct.pack('<IiiHHIIiiII', 40, W, 2 * H, 1, 1, 0, len(xor) + len(andm), 0, 0, 2, 0)
bmp += bytes([0x68, 0x3a, 0x1f, 0, 0x30, 0xc0, 0xf4, 0]) + xor + andm
ico = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', W, H, 2, 0, 1, 1, len(bmp), 22) + bmp
open('app/zuvelo.ico', 'wb').write(ico)
