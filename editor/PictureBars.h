#pragma once
#include <QRect>

// Where the scroll bars of the picture viewport go for a picture of a given size.
// The bars are 12 pixels thick and hug the picture where it is smaller than the viewport.
struct PictureBars {
    static constexpr int Thickness = 12;

    bool horizontalShown = false;
    bool verticalShown = false;
    bool cornerShown = false;
    QRect horizontal;  // in viewport coordinates
    QRect vertical;
    QRect corner;
    int horizontalMax = 0;  // ranges start at 0
    int verticalMax = 0;
    int horizontalPage = 0;  // one page click goes straight to the end
    int verticalPage = 0;
};

// W x H: the picture; VW x VH: the viewport's outer size, border included.
PictureBars ArrangeBars(int W, int H, int VW, int VH);
