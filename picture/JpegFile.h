#pragma once
#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QString>

// JPEG through libjpeg: writing whole pictures, and what a JPEG file's header says.

// How a whole picture is encoded: baseline, full-resolution colour (4:4:4, no chroma
// subsampling), or one grey channel.
struct JpegEncoding {
    int quality = 95;
    bool grey = false;      // one channel, from the red one (for pictures whose r = g = b)
    QByteArray iccProfile;  // written when not empty
};

// The encoded file; empty with `error` set on failure.
QByteArray EncodeJpeg(const QImage& picture, const JpegEncoding& encoding, QString& error);

// Writes a picture as a baseline JPEG of the given quality, full-resolution colour. On failure
// returns false and sets `error`.
bool WriteJpeg(const QImage& picture, int quality, QIODevice& device, QString& error);

// True when every pixel of the picture is grey (red = green = blue): it fits a grey JPEG.
bool IsGreyPicture(const QImage& picture);

// What a JPEG's header says about how its pixels are stored.
struct JpegLayout {
    enum class Colours { Grey, YCbCr, Rgb, Other };  // Other: CMYK, YCCK, unknown
    bool valid = false;                              // false when the header cannot be read
    int width = 0, height = 0;
    Colours colours = Colours::Other;
    int unitWidth = 8, unitHeight = 8;  // pixels of one MCU (all components' blocks at a place)
    bool samplingNests = false;         // every component's blocks tile the MCU exactly
    bool progressive = false;
    bool eightBit = false;
};
JpegLayout ReadJpegLayout(const QByteArray& data);

// The ICC profile in a JPEG's APP2 markers; empty when there is none or it is damaged.
QByteArray ReadJpegIccProfile(const QByteArray& data);

// The colour model an ICC profile describes, from its header: "RGB ", "GRAY", "CMYK", ...;
// empty when the profile is too short to say.
QByteArray IccColourSpace(const QByteArray& profile);
