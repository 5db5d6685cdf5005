#pragma once
#include <QByteArray>
#include <QList>

// Chunks of a PNG stream, for carrying metadata beside whichever encoder made the pixels: the
// chunks are put into the finished stream, so the encoder knows nothing of them.

struct PngChunk {
    QByteArray type;  // four letters: "iCCP", "eXIf", "iTXt", ...
    QByteArray data;
};

// The PNG `png` with `chunks` put right after its header chunk (so before the palette and the
// image data, where iCCP and eXIf must be). A chunk already there of a type put in (and an sRGB
// chunk, which an ICC profile replaces) is dropped first; of iTXt chunks only the one with the
// same keyword. Empty when `png` is not a PNG stream.
QByteArray WithPngChunks(const QByteArray& png, const QList<PngChunk>& chunks);

// The data of the first chunk of `type`; empty when there is none.
QByteArray PngChunkData(const QByteArray& png, const QByteArray& type);

// The chunks that carry metadata.
PngChunk IccChunk(const QByteArray& profile);  // iCCP: the profile compressed
PngChunk ExifChunk(const QByteArray& tiff);    // eXIf: EXIF as a TIFF structure
PngChunk XmpChunk(const QByteArray& packet);   // iTXt "XML:com.adobe.xmp", uncompressed
