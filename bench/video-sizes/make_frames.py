# 50 frames at 5 fps (10 s) of phone-screen-like content, 176x208 BMPs named
# by capture time, listed in AVIList.dat of the folder given.
import os, struct, sys, math
out = sys.argv[1]
os.makedirs(out + "/temp", exist_ok=True)
W, H = 176, 208
def bmp(path, px):
    stride = (W * 3 + 3) & ~3
    data = bytearray()
    for y in range(H - 1, -1, -1):
        row = bytearray()
        for x in range(W):
            r, g, b = px[y][x]
            row += bytes((b, g, r))
        row += b"\0" * (stride - W * 3)
        data += row
    hdr = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    open(path, "wb").write(hdr + info + data)
paths = []
for i in range(50):
    px = [[(240, 240, 235)] * W for _ in range(H)]
    for y in range(H):
        for x in range(W):
            if y < 18: px[y][x] = (30, 60, 140)                       # title bar
            elif y > 190: px[y][x] = (50, 50, 50)                      # soft keys
            elif 30 + (i % 8) * 20 <= y < 48 + (i % 8) * 20: px[y][x] = (255, 200, 60)  # moving highlight
            if 22 <= y < 180 and (y - 22) % 20 < 8 and 24 <= x < 24 + ((y * 7 + i * 3) % 120): px[y][x] = (20, 20, 20)  # text lines
            if 140 <= x < 170 and 24 <= y < 54:                        # a shaded icon
                px[y][x] = (int(128 + 120 * math.sin((x + i) / 5)), (y * 4) % 256, 160)
    ms = i * 200
    name = "%02d%02d%02d%02d.bmp" % (12, 0, ms // 1000, ms % 1000) if ms % 1000 < 100 else "%02d%02d%02d%03d.bmp" % (12, 0, ms // 1000, ms % 1000)
    p = out + "/temp/" + name
    bmp(p, px); paths.append(p)
open(out + "/AVIList.dat", "w").write("\r\n".join(paths) + "\r\n")
