# Prints what mutagen sees in an MP3 file, as one JSON object: "v2" maps frame
# ids to their text exactly as stored (no 2.4 translation), "v1" the ID3v1
# block's fields.
import json
import sys

from mutagen.id3 import ID3, ID3NoHeaderError
from mutagen.id3._id3v1 import ParseID3v1

path = sys.argv[1]
out = {"v2": None, "v2version": None, "v1": None, "extra": []}
try:
    tag = ID3(path, translate=False, load_v1=False)
    out["v2version"] = tag.version[1]
    v2 = {}
    for key, frame in tag.items():
        fid = frame.FrameID
        if fid == "COMM":
            if frame.desc == "":
                v2["COMM"] = frame.text[0]
            else:
                out["extra"].append(key)
        elif fid == "WXXX":
            if frame.desc == "":
                v2["WXXX"] = frame.url
            else:
                out["extra"].append(key)
        elif hasattr(frame, "text") and fid.startswith("T") and fid != "TXXX":
            v2[fid] = str(frame.text[0])
            v2[fid + ".encoding"] = int(frame.encoding)
        else:
            out["extra"].append(key)
    out["v2"] = v2
except ID3NoHeaderError:
    pass
with open(path, "rb") as f:
    data = f.read()
if len(data) >= 128 and data[-128:-125] == b"TAG":
    frames = ParseID3v1(data[-128:])
    out["v1"] = {k: str(v.text[0]) for k, v in frames.items()}
print(json.dumps(out, ensure_ascii=True, sort_keys=True))
