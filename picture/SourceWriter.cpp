// Writing a picture as the result of editing a photo: WritePicture with a WriteSource.
#include <QBuffer>
#include <QFile>

#include "picture/FileNames.h"
#include "picture/JpegBlocks.h"
#include "picture/JpegFile.h"
#include "picture/Metadata.h"
#include "picture/Orientation.h"
#include "picture/PictureFile.h"
#include "picture/PictureWriter.h"
#include "picture/PngChunks.h"
#include "picture/PngWriter.h"
#include "picture/SaveFile.h"

namespace {

// What the writer takes from the source photo.
struct Source {
    QByteArray content;
    PhotoMetadata metadata;
    QByteArray icc;
    JpegLayout jpeg;  // valid for a JPEG
};

QByteArray ReadContent(const QString& path) {
    const FileFacts facts = FactsOf(path);
    if (!facts.isFile || facts.size > MaxPictureFileBytes) return {};
    QFile file;
    if (!OpenToRead(file, path).isEmpty()) return {};
    return file.readAll();
}

Source ReadSource(const WriteSource& given) {
    Source source;
    source.content = given.content.isEmpty() ? ReadContent(given.path) : given.content;
    if (source.content.isEmpty()) return source;
    source.metadata = PhotoMetadata::Read(source.content);
    if (source.content.startsWith("\xFF\xD8")) {
        source.jpeg = ReadJpegLayout(source.content);
        source.icc = ReadJpegIccProfile(source.content);
    } else {
        source.icc = source.metadata.IccProfile();
    }
    return source;
}

// The source's profile when it describes the colours written (grey or RGB), else none.
QByteArray FittingProfile(const Source& source, bool grey) {
    return IccColourSpace(source.icc) == (grey ? "GRAY" : "RGB ") ? source.icc : QByteArray();
}

// The JPEG source's untouched blocks kept, or nothing when that cannot be done: another size or
// kind of picture, or an orientation the metadata cannot carry over.
QByteArray KeepingBlocks(const QImage& picture, const Source& source, WriteReport& report) {
    if (!CanKeepBlocks(source.jpeg)) return {};
    const PictureRead decoded = DecodePicture(source.content);
    const int orientation = ExifOrientationOf(decoded.turn);
    if (decoded.image.isNull() || orientation != source.metadata.Orientation()) return {};
    const QImage stored = StoredOrientation(picture, decoded.turn);
    QString why;
    const std::optional<KeptBlocks> kept = EncodeKeepingBlocks(
        source.content, source.jpeg, StoredOrientation(decoded.image, decoded.turn), stored,
        source.icc, why);
    if (!kept) return {};
    MetadataWritten written;
    const QByteArray out = WithMetadata(kept->jpeg, source.metadata, {stored, true}, &written);
    if (orientation != 1 && !written.exif) return {};  // the pixels would show turned
    report.blocksKept = true;
    report.units = kept->units;
    report.rewritten = kept->rewritten;
    report.iccProfile = !source.icc.isEmpty();
    report.metadata = written;
    return out;
}

QByteArray JpegWithSource(const QImage& picture, const Source& source, WriteReport& report,
                          QString& error) {
    const QByteArray kept = KeepingBlocks(picture, source, report);
    if (!kept.isEmpty()) return kept;
    JpegEncoding encoding;
    encoding.quality = JpegQuality;
    encoding.grey = source.jpeg.colours == JpegLayout::Colours::Grey && IsGreyPicture(picture);
    encoding.iccProfile = FittingProfile(source, encoding.grey);
    const QByteArray jpeg = EncodeJpeg(picture, encoding, error);
    if (jpeg.isEmpty()) return {};
    report.iccProfile = !encoding.iccProfile.isEmpty();
    return WithMetadata(jpeg, source.metadata, {picture, false}, &report.metadata);
}

// The picture without what Qt's readers attach (colour space, texts): its PNG writer would write
// them, and the source's own metadata goes in instead. The view shares the picture's pixels (it
// must not outlive them); a picture with a palette keeps it.
QImage PixelsView(const QImage& picture) {
    QImage view(picture.constBits(), picture.width(), picture.height(), picture.bytesPerLine(),
                picture.format());
    if (!picture.colorTable().isEmpty()) view.setColorTable(picture.colorTable());
    return view;
}

QByteArray PngWithSource(const QImage& picture, const Source& source, const WriteOptions& options,
                         WriteReport& report, QString& error) {
    QByteArray png;
    if (options.colours == 0 && FastPngTakesPixels(picture)) {
        png = EncodeFastPng(PixelsView(picture));
        if (png.isEmpty()) {
            error = QStringLiteral("not enough memory to encode the picture");
            return {};
        }
    } else {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        error = WritePicture(PixelsView(picture).copy(), PictureFormat::Png, buffer, options);
        if (!error.isEmpty()) return {};
    }
    const MetadataUpdate update{picture, false};
    QList<PngChunk> chunks;
    const QByteArray icc = FittingProfile(source, false);
    if (!icc.isEmpty()) chunks << IccChunk(icc);
    const QByteArray exif = ExifBlock(source.metadata, update);
    if (!exif.isEmpty()) chunks << ExifChunk(exif);
    const QByteArray xmp = XmpPacket(source.metadata, update);
    if (!xmp.isEmpty()) chunks << XmpChunk(xmp);
    const QByteArray out = WithPngChunks(png, chunks);
    if (out.isEmpty()) return png;
    report.iccProfile = !icc.isEmpty();
    report.metadata.exif = !exif.isEmpty();
    report.metadata.xmp = !xmp.isEmpty();
    return out;
}

bool HasSource(const WriteSource& source) {
    return !source.path.isEmpty() || !source.content.isEmpty();
}

}  // namespace

QString WritePicture(const QImage& picture, PictureFormat format, QIODevice& device,
                     const WriteOptions& options, const WriteSource& given, WriteReport* report) {
    if (!HasSource(given) || (format != PictureFormat::Jpeg && format != PictureFormat::Png))
        return WritePicture(picture, format, device, options);
    const Source source = ReadSource(given);
    if (source.content.isEmpty()) return WritePicture(picture, format, device, options);
    WriteReport ignored;
    WriteReport& told = report ? *report : ignored;
    QString error;
    const QByteArray bytes = format == PictureFormat::Jpeg
                                 ? JpegWithSource(picture, source, told, error)
                                 : PngWithSource(picture, source, options, told, error);
    if (bytes.isEmpty())
        return error.isEmpty() ? QStringLiteral("the picture could not be encoded") : error;
    if (device.write(bytes) != bytes.size()) return device.errorString();
    return {};
}

QString WritePicture(const QImage& picture, PictureFormat format, const QString& path,
                     const WriteOptions& options, const WriteSource& source, WriteReport* report) {
    SaveFile file(path);
    if (!file.Open()) return file.Error();
    const QString error = WritePicture(picture, format, file.Device(), options, source, report);
    if (!error.isEmpty()) return error;  // the temporary file goes with `file`
    if (!file.Commit()) return file.Error();
    return {};
}
