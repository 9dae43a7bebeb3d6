#!/usr/bin/env bash
# The installed program as a user gets it: `cmake --install` into a scratch
# prefix (launcher entry, metainfo, icons, help, man page, completion all
# there and valid), the .deb that cpack builds unpacked into a scratch root,
# and the installed program started on the test display seeding its folder in
# $XDG_DATA_HOME and writing nothing beside its binary.
# usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/qsr-install.XXXXXX)
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "install test: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
id=org.quorvin.SoundRecorder
for f in bin/quorvin-sound-recorder bin/quorvin-cli bin/quorvin-cli-audio \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/48x48/apps/$id.png \
         share/icons/hicolor/128x128/apps/$id.png share/quorvin-sound-recorder/help/index.html \
         share/quorvin-sound-recorder/settings.dat share/man/man1/quorvin-cli.1 \
         share/bash-completion/completions/quorvin-cli; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null
grep -q "Categories=AudioVideo;Audio;Recorder;" "$prefix/share/applications/$id.desktop" \
  || fail "categories"
[ "$("$prefix/bin/quorvin-cli" --version)" = "quorvin-cli 3.20" ] || fail "--version"
bash -c "source '$prefix/share/bash-completion/completions/quorvin-cli'; complete -p quorvin-cli" \
  >/dev/null || fail "completion"

# Decoding loads the FFmpeg module installed beside the program, not the
# build tree's; a WAV file is read through the codec module.
ffmpeg -nostdin -v error -f lavfi -i "sine=f=440:d=1" -c:a libmp3lame -y "$work/tone.mp3"
ffmpeg -nostdin -v error -f lavfi -i "sine=f=440:d=1" -c:a adpcm_ima_wav -y "$work/tone.wav"
# module_loaded PREFIX FILE MODULE: `quorvin-cli info FILE` loads qsr-MODULE-module.so from PREFIX.
module_loaded() {
  LD_DEBUG=files "$1/bin/quorvin-cli" info "$2" >"$work/loaded.txt" 2>&1
  grep -q "file=$1/bin/\.\./lib.*/qsr-$3-module\.so .*dynamically loaded" "$work/loaded.txt"
}
modules_loaded() {
  module_loaded "$1" "$work/tone.mp3" ffmpeg && module_loaded "$1" "$work/tone.wav" codecs
}
modules_loaded "$prefix" || fail "the installed program does not load its FFmpeg or codec module"

# The package: dependencies from dpkg-shlibdeps, and it runs from a scratch root.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null)
deb=$(ls "$work"/pkg/*.deb)
dpkg-deb -f "$deb" Depends | grep -q "libpulse" || fail "no libpulse in the package's Depends"
dpkg -x "$deb" "$work/root"
[ "$("$work/root/usr/bin/quorvin-cli" --version)" = "quorvin-cli 3.20" ] || fail "deb --version"
modules_loaded "$work/root/usr" || fail "the package's program does not load its FFmpeg or codec module"

# The installed program on the test display.
if [ -n "${QSR_TEST_X_DISPLAY:-}" ]; then
  before=$(ls -A "$prefix/bin")
  mkdir -p "$work/home" "$work/data" "$work/runtime"
  chmod 700 "$work/runtime"
  env -u QSR_HOME DISPLAY="$QSR_TEST_X_DISPLAY" QT_QPA_PLATFORM=xcb HOME="$work/home" \
    XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    "$prefix/bin/quorvin-sound-recorder" >"$work/app.log" 2>&1 &
  app_pid=$!
  # Its main window, or a message box of its load (no sound server, a hotkey
  # another client holds) titled with the application title.
  shown() {
    DISPLAY=$QSR_TEST_X_DISPLAY xdotool search --pid "$app_pid" --name "^Quorvin Sound Recorder" \
      >/dev/null 2>&1
  }
  for _ in $(seq 1 100); do
    shown && break
    sleep 0.1
  done
  shown || { cat "$work/app.log"; fail "the installed program showed no window"; }
  [ -f "$work/data/quorvin-sound-recorder/settings.dat" ] || fail "no settings.dat in XDG_DATA_HOME"
  grep -q "^outputfolder=$work/home/Music/Recordings" \
    "$work/data/quorvin-sound-recorder/settings.dat" || fail "outputfolder is not the music folder"
  [ "$(ls -A "$prefix/bin")" = "$before" ] || fail "the program wrote beside its binary"
fi
echo "install test: passed"
