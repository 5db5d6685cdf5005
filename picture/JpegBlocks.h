#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

#include "picture/JpegFile.h"

// Saving an edited JPEG over its source without touching what was not edited. A JPEG is made of
// MCUs: for each 8 x 8 block of every colour component (16 x 16 pixels when colour is stored at
// half resolution both ways), the quantised DCT coefficients. Decoding and encoding again loses
// a little each time; here only the MCUs that hold a changed pixel are encoded anew, with the
// source's own quantisation tables and sampling, and every other MCU keeps the source's
// coefficients exactly. The file is then written in the source's mode (baseline or progressive)
// with Huffman tables made for it.
//
// A changed pixel is one where `result` differs from `decoded`, the source as this program's
// reader decodes it (both in the file's stored orientation, both 32-bit).

struct KeptBlocks {
    QByteArray jpeg;    // the new file, with the ICC profile given and no other metadata
    int units = 0;      // MCUs in the picture
    int rewritten = 0;  // MCUs encoded anew
};

// Whether a source of this layout can keep its blocks: 8-bit YCbCr, RGB or grey, with sampling
// factors that tile its MCUs.
bool CanKeepBlocks(const JpegLayout& layout);

// nullopt with `error` set when the blocks cannot be kept (another size, colour in a grey
// source, a damaged source); the caller then encodes the picture whole.
std::optional<KeptBlocks> EncodeKeepingBlocks(const QByteArray& source, const JpegLayout& layout,
                                              const QImage& decoded, const QImage& result,
                                              const QByteArray& iccProfile, QString& error);
