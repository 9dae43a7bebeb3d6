#!/usr/bin/python3
# Real files for the fuzzers' first inputs, made by other programs at build
# time: audio from ffmpeg, lame, oggenc and flac at odd rates and with format
# changes in the middle of a stream; tags written by mutagen (2.3, 2.4) or by
# hand (2.2) with empty, compressed, unsynchronised and repeated frames.
# usage: make-seeds.py OUT_DIR   (writes OUT_DIR/readers and OUT_DIR/id3v2)
import os
import subprocess
import sys
import tempfile
import zlib

from mutagen.id3 import (APIC, COMM, ID3, POPM, TALB, TCON, TDRC, TIT2, TPE1, TRCK, TYER,
                         WXXX)

out = sys.argv[1]
readers = os.path.join(out, "readers")
tags = os.path.join(out, "id3v2")
os.makedirs(readers, exist_ok=True)
os.makedirs(tags, exist_ok=True)
work = tempfile.mkdtemp()


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def tone(name, rate, channels, seconds=0.15, freq=440):
    path = os.path.join(work, name)
    run("ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
        f"sine=f={freq}:d={seconds}:r={rate}", "-ac", str(channels), "-c:a", "pcm_s16le", path)
    return path


def data(path):
    with open(path, "rb") as f:
        return f.read()


def seed(folder, name, content):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(content)


def reader_seed(name, content, kind):
    # The fuzzer's first byte picks the reader (4..7: FFmpeg), the second a detail.
    seed(readers, name, bytes([kind, 0]) + content)


# ---- audio ----
def mp3(rate, channels, bitrate, extra=()):
    src = tone(f"m{rate}{channels}.wav", rate, channels)
    dst = os.path.join(work, f"m{rate}{channels}.mp3")
    run("lame", "--quiet", "-b", str(bitrate), *extra, src, dst)
    return data(dst)


a = mp3(44100, 2, 64)
b = mp3(22050, 1, 32)
c = mp3(8000, 1, 8)
reader_seed("mp3-8000-mono", c, 4)
reader_seed("mp3-11025-vbr", mp3(11025, 2, 32, ("-V", "9")), 4)
reader_seed("mp3-rate-change", a + b, 4)
reader_seed("mp3-three-formats", c + a + b, 4)
reader_seed("mp3-mpeg25-after-mpeg1", a[: len(a) // 2] + c, 4)


def ogg(rate, channels):
    src = tone(f"o{rate}{channels}.wav", rate, channels)
    dst = os.path.join(work, f"o{rate}{channels}.ogg")
    run("oggenc", "-Q", "-q", "0", src, "-o", dst)
    return data(dst)


o1, o2 = ogg(11025, 1), ogg(48000, 2)
reader_seed("ogg-11025-mono", o1, 5)
reader_seed("ogg-chained-format-change", o2 + o1, 5)


def flac(rate, channels, bits):
    src = os.path.join(work, f"f{rate}{channels}{bits}.wav")
    run("ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", f"sine=f=300:d=0.15:r={rate}",
        "-ac", str(channels), "-c:a", "pcm_s24le" if bits == 24 else "pcm_s16le", src)
    dst = src[:-4] + ".flac"
    run("flac", "-s", "-f", "--no-padding", src, "-o", dst)
    return data(dst)


f1, f2 = flac(8000, 1, 16), flac(96000, 2, 24)
reader_seed("flac-8000-mono", f1, 7)
reader_seed("flac-96000-24bit", f2, 7)
reader_seed("flac-frames-of-another-stream", f1 + f2[f2.find(b"\xff\xf8", 42):], 7)
for rate, fmt in ((7350, "adpcm_ms"), (32000, "pcm_u8"), (12000, "pcm_f32le")):
    dst = os.path.join(work, f"w{rate}.wav")
    run("ffmpeg", "-v", "error", "-y", "-i", tone(f"s{rate}.wav", rate, 1), "-c:a", fmt, dst)
    reader_seed(f"wav-{fmt}-{rate}", data(dst), 7)
    reader_seed(f"wav-{fmt}-{rate}-sndfile", data(dst), 0)

# ---- tags ----
audio = mp3(44100, 1, 32)


def synchsafe(n):
    return bytes([(n >> 21) & 127, (n >> 14) & 127, (n >> 7) & 127, n & 127])


def header(major, size, flags=0):
    return b"ID3" + bytes([major, 0, flags]) + synchsafe(size)


def mutagen_tag(version, frames, padding=32, v1=0):
    path = os.path.join(work, "t.mp3")
    with open(path, "wb") as f:
        f.write(audio)
    t = ID3()
    for frame in frames:
        t.add(frame)
    t.save(path, v2_version=version, padding=lambda info: padding, v1=v1)
    return data(path)


def frame23(fid, body, flags=0):
    return fid + len(body).to_bytes(4, "big") + flags.to_bytes(2, "big") + body


def frame24(fid, body, flags=0):
    return fid + synchsafe(len(body)) + flags.to_bytes(2, "big") + body


def unsynchronise(b):
    out = bytearray()
    for i, x in enumerate(b):
        out.append(x)
        if x == 0xFF and (i + 1 == len(b) or b[i + 1] >= 0xE0 or b[i + 1] == 0):
            out.append(0)
    return bytes(out)


common = [TIT2(encoding=3, text="Tïtle"), TPE1(encoding=1, text="Ärtist"),
          TALB(encoding=0, text="Album"), TRCK(encoding=0, text="3/12"),
          TCON(encoding=0, text="(8)Jazz"), COMM(encoding=1, lang="eng", desc="", text="Note"),
          COMM(encoding=0, lang="eng", desc="iTunNORM", text="0000"),
          WXXX(encoding=0, desc="", url="http://example.org/"),
          POPM(email="x@y", rating=200, count=1)]
seed(tags, "v24-mutagen", mutagen_tag(4, common + [TDRC(encoding=3, text="2004-05-06T07:08")]))
seed(tags, "v23-mutagen", mutagen_tag(3, common + [TYER(encoding=0, text="1999")]))
seed(tags, "v23-and-v1-mutagen", mutagen_tag(3, common + [TYER(encoding=0, text="1999")], v1=2))
seed(tags, "v23-cover", mutagen_tag(3, [TIT2(encoding=0, text="T"),
                                       APIC(encoding=0, mime="image/jpeg", type=3, desc="",
                                            data=b"\xff\xd8\xff\xe0" + bytes(300))]))
# Empty frames first, then real ones.
empty = b"".join(f + b"\0" * 6 for f in (b"TENC", b"TCOP", b"TOPE"))
body = empty + frame24(b"TIT2", b"\0Title") + frame24(b"TPE1", b"\0Artist")
seed(tags, "v24-empty-frames", header(4, len(body) + 16) + body + bytes(16) + audio)
# Compressed frames (2.3: flag and decompressed size; 2.4: flags and data length).
text = b"\0" + b"Compressed title " * 4
z = zlib.compress(text)
body = frame23(b"TIT2", len(text).to_bytes(4, "big") + z, 0x0080) + frame23(b"TPE1", b"\0A")
seed(tags, "v23-compressed", header(3, len(body) + 8) + body + bytes(8) + audio)
body = frame24(b"TIT2", synchsafe(len(text)) + z, 0x0009) + frame24(b"TPE1", b"\0A")
seed(tags, "v24-compressed", header(4, len(body) + 8) + body + bytes(8) + audio)
# Unsynchronised: the whole 2.3 tag, one 2.4 frame.
raw = frame23(b"TIT2", b"\x01\xff\xfeT\x00i\x00") + frame23(b"TPE1", b"\0\xff\xe0x")
body = unsynchronise(raw)
seed(tags, "v23-unsynchronised", header(3, len(body) + 8, 0x80) + body + bytes(8) + audio)
fbody = unsynchronise(b"\x01\xff\xfeT\x00i\x00")
body = frame24(b"TIT2", fbody, 0x0002) + frame24(b"TALB", b"\0B")
seed(tags, "v24-unsynchronised-frame", header(4, len(body) + 8) + body + bytes(8) + audio)
# Repeated frames, and a second tag behind the first.
body = frame23(b"TIT2", b"\0One") + frame23(b"TIT2", b"\0Two") + frame23(b"TPE1", b"\0A")
body += frame23(b"TPE1", b"\0B") + frame23(b"COMM", b"\0eng\0C1") + frame23(b"COMM", b"\0eng\0C2")
seed(tags, "v23-repeated-frames", header(3, len(body) + 8) + body + bytes(8) + audio)
first = frame23(b"TIT2", b"\0First")
seed(tags, "v23-two-tags", header(3, len(first) + 4) + first + bytes(4) +
     mutagen_tag(3, [TPE1(encoding=0, text="Second")], 4))


# 2.2: three-letter frames, the date over TYE, TDA and TIM.
def frame22(fid, body):
    return fid + len(body).to_bytes(3, "big") + body


body = b"".join(frame22(f, b"\0" + t) for f, t in ((b"TT2", b"Title"), (b"TP1", b"Artist"),
                                                   (b"TYE", b"2001"), (b"TDA", b"0203"),
                                                   (b"TIM", b"1415"), (b"TCO", b"(17)")))
body += frame22(b"COM", b"\0eng\0A comment") + frame22(b"PIC", b"\0JPG\x03\0" + bytes(40))
seed(tags, "v22-hand-made", header(2, len(body) + 16) + body + bytes(16) + audio)
seed(tags, "v22-empty-frame", header(2, len(body) + 22) + b"TEN\0\0\0" + body + bytes(16) + audio)
