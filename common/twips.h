#pragma once
// Window sizes, positions and drawing coordinates are given in twips
// (1/1440 inch). Every conversion to pixels goes through here: 15 twips are one
// pixel at 96 dpi, and Qt's own scaling takes care of other screens.

namespace tamro {

constexpr int kTwipsPerPixel = 15;

// Twips to pixels, rounded to the nearest pixel.
constexpr int Px(int twips) {
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

// Pixels to twips.
constexpr int Twips(int pixels) {
    return pixels * kTwipsPerPixel;
}

// The panel states window sizes as outer sizes, title bar (and menu bar) included.
// The client area is what remains after this fixed frame allowance.
constexpr int kFrameWidthTwips = 120;   // left and right borders together
constexpr int kTitleHeightTwips = 405;  // title bar and both horizontal borders
constexpr int kMenuHeightTwips = 300;   // a menu bar

struct TwipSize {
    int width = 0;
    int height = 0;
};

constexpr TwipSize ClientForOuter(int outerWidth, int outerHeight, bool hasMenuBar = false) {
    return {outerWidth - kFrameWidthTwips,
            outerHeight - kTitleHeightTwips - (hasMenuBar ? kMenuHeightTwips : 0)};
}

constexpr TwipSize OuterForClient(int clientWidth, int clientHeight, bool hasMenuBar = false) {
    return {clientWidth + kFrameWidthTwips,
            clientHeight + kTitleHeightTwips + (hasMenuBar ? kMenuHeightTwips : 0)};
}

}  // namespace tamro
