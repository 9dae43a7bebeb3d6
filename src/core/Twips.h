#pragma once

namespace qsr::core {

// Window geometry written in twips: 15 twips make one pixel.
inline constexpr int kTwipsPerPixel = 15;

// Twips to the nearest whole pixel. 15 is odd, so no value lies halfway;
// negative values round the same way as their positive counterparts
// (-8 twips is -1 pixel), as std::lround would.
constexpr int TwipsToPixels(int twips) {
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

// Whole pixels back to twips: exact, every pixel is 15 twips.
constexpr int PixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

}  // namespace qsr::core
