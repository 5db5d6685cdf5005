#include "picture/Orientation.h"

namespace {

QImage As32Bit(const QImage& image) {
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                         : QImage::Format_RGB32);
}

// A quarter turn counter-clockwise: the pixel at (x, y) goes to (y, width - 1 - x).
QImage QuarterTurnBack(const QImage& image) {
    const int w = image.width(), h = image.height();
    QImage turned(h, w, image.format());
    for (int y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) reinterpret_cast<QRgb*>(turned.scanLine(w - 1 - x))[y] = in[x];
    }
    return turned;
}

}  // namespace

int ExifOrientationOf(QImageIOHandler::Transformations turn) {
    using T = QImageIOHandler::Transformation;
    switch (int(turn)) {
        case T::TransformationMirror:
            return 2;
        case T::TransformationRotate180:
            return 3;
        case T::TransformationFlip:
            return 4;
        case T::TransformationFlipAndRotate90:
            return 5;
        case T::TransformationRotate90:
            return 6;
        case T::TransformationMirrorAndRotate90:
            return 7;
        case T::TransformationRotate270:
            return 8;
        default:
            return 1;
    }
}

QImageIOHandler::Transformations TurnOfExifOrientation(int orientation) {
    for (int turn = 0; turn < 8; ++turn)
        if (ExifOrientationOf(QImageIOHandler::Transformations(turn)) == orientation)
            return QImageIOHandler::Transformations(turn);
    return QImageIOHandler::TransformationNone;
}

QImage StoredOrientation(const QImage& upright, QImageIOHandler::Transformations turn) {
    // The reader mirrors and flips first, then turns a quarter clockwise: undone in reverse.
    QImage image = As32Bit(upright);
    if (turn & QImageIOHandler::TransformationRotate90) image = QuarterTurnBack(image);
    return image.mirrored(turn & QImageIOHandler::TransformationMirror,
                          turn & QImageIOHandler::TransformationFlip);
}
