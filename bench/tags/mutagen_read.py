# Reads the ID3v2 and ID3v1 tags of every .mp3 file in a folder with mutagen
# and prints "files seconds" for the timed pass.
import os
import sys
import time

from mutagen.id3 import ID3, ID3NoHeaderError
from mutagen.id3._id3v1 import ParseID3v1

folder = sys.argv[1]
names = sorted(n for n in os.listdir(folder) if n.lower().endswith(".mp3"))
paths = [os.path.join(folder, n) for n in names]


def read_all():
    found = 0
    for path in paths:
        try:
            tag = ID3(path, load_v1=False)
            found += len(tag)
        except ID3NoHeaderError:
            pass
        with open(path, "rb") as f:
            f.seek(-128, 2)
            block = f.read(128)
        if block[:3] == b"TAG":
            found += len(ParseID3v1(block))
    return found


read_all()  # warm the cache
start = time.perf_counter()
read_all()
print(len(paths), time.perf_counter() - start)
