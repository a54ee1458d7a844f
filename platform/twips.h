#pragma once
// Window lengths are drawn in twips and shown at 96 dots per inch: 15 twips
// to a pixel. Every conversion between the two goes through here.

namespace ql {

inline constexpr int kTwipsPerPixel = 15;

// Twips to whole pixels, to the nearest pixel (15 being odd, no length lies
// half way).
constexpr int TwipsToPixels(int twips)
{
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

constexpr int PixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }

} // namespace ql
