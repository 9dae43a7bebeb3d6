#pragma once

namespace qsr::player {

// What the player face shows at a moment, as far as its clocks care.
struct FaceState {
    bool visible = false;
    bool minimised = false;
    bool loaded = false;   // a file is open in the media control
    bool playing = false;  // and playing, not paused
    bool hasTitle = false;
};

// Which of the face's clocks have something to show: the position (knob and
// times) only while a file plays, the scrolling title only while a file is
// open and titled (the hint shown before any file stands still); neither
// while the face cannot be seen. At rest nothing runs.
struct FaceClocks {
    bool position = false;
    bool titleScroll = false;
};
FaceClocks ClocksFor(const FaceState& s);

}  // namespace qsr::player
