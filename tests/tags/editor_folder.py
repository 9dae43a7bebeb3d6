# A folder as other programs leave it, for the tag editor's save tests: the
# audio is encoded by ffmpeg, the tags are written by mutagen (the ID3v1
# blocks by hand, as mutagen writes no genre beyond its list).
#
#   editor_folder.py DIR   writes DIR/v24_date.mp3, itunes.mp3, jazz.mp3,
#       genre200.mp3, untagged.mp3 and wave.mp3 (a WAV with both tags)
import os
import struct
import subprocess
import sys

from mutagen import id3


def encode(path, fmt):
    codec = ["-c:a", "libmp3lame", "-b:a", "64k", "-id3v2_version", "0", "-write_id3v1", "0",
             "-write_xing", "0", "-f", "mp3"] if fmt == "mp3" else ["-c:a", "pcm_s16le", "-f", "wav"]
    subprocess.run(["ffmpeg", "-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                    "sine=frequency=440:duration=1", *codec, "-y", path], check=True)


def v1_block(title, artist, album, year, comment, track, genre):
    def field(text, width):
        return text.encode("latin-1").ljust(width, b"\0")[:width]
    return (b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) +
            field(comment, 28) + b"\0" + struct.pack("BB", track, genre))


def tag(path, version, *frames):
    t = id3.ID3()
    for frame in frames:
        t.add(frame)
    t.save(path, v2_version=version, v1=0)


def main(folder):
    paths = {name: os.path.join(folder, name) for name in
             ("v24_date.mp3", "itunes.mp3", "jazz.mp3", "genre200.mp3", "untagged.mp3")}
    for path in paths.values():
        encode(path, "mp3")
    tag(paths["v24_date.mp3"], 4, id3.TIT2(encoding=3, text="Dawn"),
        id3.TPE1(encoding=3, text="Sine Band"), id3.TDRC(encoding=3, text="1999-05-04"))
    tag(paths["itunes.mp3"], 3, id3.TIT2(encoding=1, text="Noon"),
        id3.COMM(encoding=0, lang="eng", desc="iTunNORM",
                 text=" 0000021A 000001F7 00001A4C 0000178E"),
        id3.WXXX(encoding=0, desc="shop", url="http://shop.example/noon"))
    tag(paths["jazz.mp3"], 3, id3.TIT2(encoding=0, text="Night"),
        id3.TPE1(encoding=0, text="Sine Band"), id3.TCON(encoding=0, text="(8)Jazz"),
        id3.TXXX(encoding=0, desc="MOOD", text="calm"),
        id3.COMM(encoding=0, lang="eng", desc="", text="a plain comment"),
        id3.APIC(encoding=0, mime="image/png", type=3, desc="cover",
                 data=b"\x89PNG\r\n\x1a\n" + bytes(range(64))))
    with open(paths["genre200.mp3"], "ab") as f:
        f.write(v1_block("Old Song", "Old Band", "Old Album", "1987", "kept", 4, 200))
    wave = os.path.join(folder, "wave.mp3")
    encode(wave, "wav")
    tag(wave, 3, id3.TIT2(encoding=0, text="Not an MP3"))
    with open(wave, "ab") as f:
        f.write(v1_block("Not an MP3", "", "", "", "", 0, 12))


if __name__ == "__main__":
    main(sys.argv[1])
