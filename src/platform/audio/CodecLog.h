#pragma once

namespace qsr::audio {

// FFmpeg's own log lines (damaged frames, probing notes) go to stderr. Our
// callers report failures in their own words, so the lines stay off unless a
// front end asks for them (quorvin-cli --verbose).
void SetCodecLogVerbose(bool verbose);
// Called before FFmpeg is first used: silences it unless a choice was made.
void QuietCodecLogByDefault();
// Where the choice goes: FFmpeg's level setter, handed over once the library
// is loaded (a choice made before then is passed on at once).
void SetCodecLogSink(void (*setVerbose)(bool verbose));

}  // namespace qsr::audio
