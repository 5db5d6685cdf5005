#pragma once
#include <QByteArray>
#include <QImage>

// A PNG encoder built for speed on large photos: rows filtered with the Paeth predictor and
// compressed by zlib at its fastest, in horizontal strips side by side on every core. The strips
// are separate deflate streams, each but the last ended on a byte boundary (a sync flush), so
// that joined they are one valid stream; their checksums are combined into the one the zlib
// stream ends with.
//
// It writes what Qt's PNG writer writes for the same picture: the colour type the picture's
// format implies (RGB32 as RGB, ARGB32 as RGB with alpha, Grayscale8 as grey, Indexed8 with its
// palette and the transparency of its colours), and the resolution (pHYs). Pictures it does not
// take (other formats, texts, a colour space) are left to Qt's writer.

bool FastPngTakes(const QImage& picture);
// The same for the pixels alone, for a caller that leaves the picture's texts and colour space out
// on purpose (the encoder never writes them).
bool FastPngTakesPixels(const QImage& picture);

// The PNG stream of `picture` (FastPngTakes must hold), in `strips` strips at most (0: one for
// every core); empty when memory runs out.
QByteArray EncodeFastPng(const QImage& picture, int strips = 0);

// How zlib compresses the picture data: level 1, repeats of the byte before only (Z_RLE). After
// the Paeth filter a photo is mostly small differences, which this codes about as well as the
// default level 6 with its long searches, at several times the speed: on the bridge photo scaled
// to 12 megapixels about 10 % larger than Qt's writer makes it, at 2 to 4 times the speed of
// levels 3 or 4 (which are no smaller there).
constexpr int kFastPngLevel = 1;
constexpr int kFastPngStrategy = 3;  // Z_RLE
