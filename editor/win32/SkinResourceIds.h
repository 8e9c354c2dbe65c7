// The numbers of the skin's bitmap resources in the DLL, as
// resources/Velorin2.rc binds them to the files in resources/.
#pragma once

namespace editor {

enum BitmapId : int {
    kSkinBitmap = 100,
    kHighPassOffBitmap = 105,
    kLowPassOffBitmap = 106,
    kPhasePlusOffBitmap = 107,
    kPhaseMinusOffBitmap = 108,
    kClipOffBitmap = 109,
    kMarkerBitmap = 200,
    kMarkerMaskBitmap = 201
};

}  // namespace editor
