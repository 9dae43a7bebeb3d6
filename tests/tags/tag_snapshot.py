# What an MP3 file holds, read independently of the program: mutagen's view
# of the ID3v2 frames, the ID3v1 block parsed by hand, and a hash of the
# audio between the two tags.
#
#   tag_snapshot.py PATH   one JSON object: "frames" (mutagen key -> repr, as
#       stored), "v1" (the block's fields, or null), "audio" (sha256 hex)
import hashlib
import json
import sys

from mutagen import id3


def v1_block(data):
    if len(data) < 128 or data[-128:-125] != b"TAG":
        return None
    b = data[-128:]

    def text(lo, hi):
        return b[lo:hi].split(b"\0")[0].decode("latin-1").rstrip(" ")

    v1 = {"title": text(3, 33), "artist": text(33, 63), "album": text(63, 93),
          "year": text(93, 97), "genre": b[127]}
    if b[125] == 0:
        v1["comment"], v1["track"] = text(97, 125), b[126]
    else:
        v1["comment"], v1["track"] = text(97, 127), 0
    return v1


def audio(data):
    start = 0
    if data[:3] == b"ID3":
        s = data[6:10]
        start = 10 + ((s[0] << 21) | (s[1] << 14) | (s[2] << 7) | s[3])
        if data[5] & 0x10:
            start += 10
    end = len(data) - 128 if v1_block(data) is not None else len(data)
    # Padding belongs to the tag, not to the audio.
    while start < end and data[start] == 0:
        start += 1
    return hashlib.sha256(data[start:end]).hexdigest()


def main(path):
    with open(path, "rb") as f:
        data = f.read()
    frames = {}
    try:
        tag = id3.ID3(path, translate=False, load_v1=False)
        frames = {k: repr(v) for k, v in tag.items()}
    except id3.ID3NoHeaderError:
        pass
    print(json.dumps({"frames": frames, "v1": v1_block(data), "audio": audio(data)},
                     ensure_ascii=True, sort_keys=True))


if __name__ == "__main__":
    main(sys.argv[1])
