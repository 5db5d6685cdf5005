#pragma once
#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QMap>
#include <QRect>
#include <QString>
#include <vector>

// Photos as cameras write them, made by the tests themselves (none of the shared photos carries
// metadata): JPEGs of any sampling and mode with an ICC profile, EXIF (date taken, camera, GPS,
// a maker note holding a preview, a thumbnail), XMP, IPTC and a comment, all written with exiv2;
// and what the tests read back: coefficients, metadata, decoded pixels.
namespace TaggedPhotos {

struct Encoding {
    int quality = 90;
    int hSampling = 2, vSampling = 2;  // of the luma; 2, 2 is 4:2:0, 1, 1 is 4:4:4
    bool progressive = false;
    enum class Colours { Colour, Grey, Cmyk } colours = Colours::Colour;
    int restartRows = 0;    // restart markers every so many MCU rows; 0: none
    QByteArray iccProfile;  // written when not empty
};
QByteArray Jpeg(const QImage& picture, const Encoding& encoding);

// An ICC profile for the colour model named ("RGB ", "GRAY", "CMYK").
QByteArray IccProfile(const char* colourSpace);

// `jpeg` with a camera's metadata: the EXIF orientation given, a red thumbnail and a red maker
// note preview (so a preview left behind is easy to see), and everything MetadataOf names.
QByteArray WithCameraMetadata(const QByteArray& jpeg, int orientation = 1);

// A real photo to edit (the shared coffee photo, 600 x 400; see SharedPhotos.h), cut to the size
// given from its top left.
QImage Photo(int width = 600, int height = 400);

// Every EXIF, XMP and IPTC value and the comment of a file (a PNG's EXIF from its eXIf chunk), by
// key ("Comment" for the comment), leaving out what a save remakes or drops: the thumbnail, the
// maker note's preview, the raw maker note and the directory offsets.
QMap<QString, QString> MetadataOf(const QByteArray& file);

// The previews exiv2 finds in a file (the EXIF thumbnail among them), decoded.
QList<QImage> PreviewsOf(const QByteArray& file);

// The ICC profile exiv2 finds in a file.
QByteArray IccOf(const QByteArray& file);
// The keys a camera photo made here must keep, to check MetadataOf found them.
QStringList CameraKeys();

// The metadata a result of `source` must carry: the source's, with the width stored in the file
// and, for a result stored upright, orientation 1.
QMap<QString, QString> KeptMetadata(const QByteArray& source, QSize stored, bool upright);

// `picture` with `box` painted over as a removal would: a smooth grey ramp that differs from
// every pixel it covers. 32-bit.
QImage PaintedOver(const QImage& picture, const QRect& box);

// `box` of an upright picture of size `upright` where a file turned by `turn` stores it.
QRect StoredBox(const QRect& box, QSize upright, QImageIOHandler::Transformations turn);

// The quantised DCT coefficients of a JPEG, component by component, block row by block row.
struct Coefficients {
    bool valid = false;
    bool progressive = false;
    int unitWidth = 0, unitHeight = 0;  // pixels of one MCU
    struct Component {
        int h = 1, v = 1;  // sampling factors
        int blocksAcross = 0, blocksDown = 0;
        std::vector<short> values;                 // 64 per block
        std::vector<unsigned short> quantisation;  // 64
    };
    std::vector<Component> components;
};
Coefficients CoefficientsOf(const QByteArray& jpeg);

// The blocks of `a` and `b` that differ, outside the MCUs that `keep` (in pixels) touches;
// -1 when the two cannot be compared (other layouts).
int BlocksChangedOutside(const Coefficients& a, const Coefficients& b, const QRect& keep);

// The pixels as the file stores them (no EXIF turn), 32-bit.
QImage StoredPixels(const QByteArray& file);

// `box` grown out to whole MCUs of the given size, and then by `more` MCUs on every side.
QRect UnitsAround(const QRect& box, int unitWidth, int unitHeight, int more = 0);

// Pixels of `a` and `b` (same size) that differ outside `except`.
int PixelsChangedOutside(const QImage& a, const QImage& b, const QRect& except);

QByteArray ReadFile(const QString& path);
void WriteFile(const QString& path, const QByteArray& bytes);

}  // namespace TaggedPhotos
