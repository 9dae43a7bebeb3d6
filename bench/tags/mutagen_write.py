# Sets a new title in the ID3v2 tag of every .mp3 file in a folder with
# mutagen (kept at 2.3) and prints "files seconds".
import os
import sys
import time

from mutagen.id3 import ID3, TIT2

folder = sys.argv[1]
names = sorted(n for n in os.listdir(folder) if n.lower().endswith(".mp3"))
paths = [os.path.join(folder, n) for n in names]

start = time.perf_counter()
for i, path in enumerate(paths):
    tag = ID3(path, translate=False)
    tag.add(TIT2(encoding=0, text="Mutagen %d" % i))
    tag.save(path, v2_version=3, v1=1)
print(len(paths), time.perf_counter() - start)
