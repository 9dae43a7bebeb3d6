# Writes test files with mutagen and reports what mutagen reads back.
#
#   mutagen_tags.py make KIND SRC DST   a copy of SRC with a tag of the given kind
#   mutagen_tags.py dump PATH           one JSON object: "version" (2, 3 or 4, 0
#       without a tag), "frames" (mutagen's key -> repr of the frame, as stored,
#       no 2.4 translation), "date" (mutagen's translated TDRC), "raw" (each
#       frame's bytes as [id, hex], read independently of mutagen)
import json
import shutil
import sys

from mutagen import id3


def synchsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def unsynchsafe(b):
    return (b[0] << 21) | (b[1] << 14) | (b[2] << 7) | b[3]


def insert_raw(path, frames):
    """Puts frames that mutagen cannot write (2.3 only ones) after the header."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:3] == b"ID3"
    version = data[3]
    raw = b""
    for fid, body in frames:
        size = len(body).to_bytes(4, "big") if version == 3 else synchsafe(len(body))
        raw += fid.encode() + size + b"\0\0" + body
    size = unsynchsafe(data[6:10]) + len(raw)
    with open(path, "wb") as f:
        f.write(data[:6] + synchsafe(size) + raw + data[10:])


def make(kind, src, dst):
    shutil.copy(src, dst)
    t = id3.ID3()
    L = id3.Encoding.LATIN1
    if kind == "v23_dates":
        t.add(id3.TIT2(encoding=L, text="Old Title"))
        t.add(id3.TPE1(encoding=id3.Encoding.UTF16, text="Ærø Песня"))
        t.add(id3.TYER(encoding=L, text="2001"))
        t.add(id3.TDAT(encoding=L, text="0302"))
        t.add(id3.TIME(encoding=L, text="1415"))
        t.add(id3.TRDA(encoding=L, text="March 2nd"))
        t.add(id3.TSIZ(encoding=L, text="123456"))
        t.add(id3.TXXX(encoding=L, desc="MOOD", text="calm"))
        t.save(dst, v2_version=3, v1=0)
        insert_raw(dst, [("RVAD", b"\x03\x10\x00\x20\x00\x20\x00\x00\x00\x00"),
                         ("EQUA", b"\x10\x00\x40\x01\x00")])
    elif kind == "v24_only":
        U = id3.Encoding.UTF8
        t.add(id3.TIT2(encoding=U, text="Old Title"))
        t.add(id3.TDRC(encoding=U, text="2001-02-03"))
        t.add(id3.TDRL(encoding=U, text="2002-05-06"))
        t.add(id3.TMOO(encoding=U, text="Calm"))
        t.add(id3.TSOP(encoding=U, text="Players, The"))
        t.add(id3.RVA2(desc="track", channel=1, gain=-2.5, peak=0.5))
        t.add(id3.TPE1(encoding=U, text=["First", "Second"]))
        t.add(id3.COMM(encoding=U, lang="eng", desc="", text="plain note"))
        t.save(dst, v2_version=4, v1=0)
    elif kind == "described_only":
        t.add(id3.TIT2(encoding=L, text="Old Title"))
        t.add(id3.COMM(encoding=L, lang="eng", desc="iTunNORM",
                       text=" 00000316 000002F1 00001B9D"))
        t.add(id3.WXXX(encoding=L, desc="shop", url="http://shop.example/"))
        t.save(dst, v2_version=3, v1=0)
    elif kind == "title_and_picture":
        t.add(id3.TIT2(encoding=L, text="Old Title"))
        t.add(id3.APIC(encoding=L, mime="image/png", type=3, desc="cover", data=b"\x89PNG" * 64))
        t.save(dst, v2_version=3, v1=0)
    elif kind == "title_only":
        t.add(id3.TIT2(encoding=L, text="Old Title"))
        t.save(dst, v2_version=3, v1=0, padding=lambda info: 0)
    else:
        raise SystemExit("unknown kind " + kind)


def raw_frames(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:3] != b"ID3":
        return []
    version, flags = data[3], data[5]
    end = 10 + unsynchsafe(data[6:10])
    pos = 10
    if flags & 0x40:
        pos += (int.from_bytes(data[10:14], "big") + 4) if version == 3 else unsynchsafe(data[10:14])
    out = []
    while pos + 10 <= end and data[pos] != 0:
        fid = data[pos:pos + 4].decode("latin-1")
        size = int.from_bytes(data[pos + 4:pos + 8], "big") if version == 3 \
            else unsynchsafe(data[pos + 4:pos + 8])
        out.append([fid, data[pos:pos + 10 + size].hex()])
        pos += 10 + size
    return out


def dump(path):
    out = {"version": 0, "frames": {}, "date": "", "raw": raw_frames(path)}
    try:
        tag = id3.ID3(path, translate=False, load_v1=False)
        out["version"] = tag.version[1]
        out["frames"] = {k: repr(v) for k, v in tag.items()}
        translated = id3.ID3(path, load_v1=False)
        if "TDRC" in translated:
            out["date"] = str(translated["TDRC"].text[0])
    except id3.ID3NoHeaderError:
        pass
    print(json.dumps(out, ensure_ascii=True, sort_keys=True))


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        dump(sys.argv[2])
