#include "editor/PictureBars.h"

PictureBars ArrangeBars(int W, int H, int VW, int VH) {
    constexpr int t = PictureBars::Thickness;
    PictureBars bars;
    bars.horizontalShown = W > VW;
    bars.verticalShown = H > VH;
    bars.cornerShown = bars.horizontalShown || bars.verticalShown;
    const int LH = W + t < VW - t ? W : VW - t;
    const int LV = H + t < VH - t ? H : VH - t;
    bars.horizontal = QRect(0, LV, LH, t);
    bars.vertical = QRect(LH, 0, t, LV);
    bars.corner = QRect(LH, LV, t, t);
    bars.horizontalMax = W - LH;
    bars.verticalMax = H - LV;
    bars.horizontalPage = W;
    bars.verticalPage = H;
    return bars;
}
