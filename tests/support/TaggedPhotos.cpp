#include "support/TaggedPhotos.h"

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QtEndian>
#include <cstdlib>
#include <exiv2/exiv2.hpp>

#include "picture/Orientation.h"
#include "support/SharedPhotos.h"

namespace TaggedPhotos {

namespace {

[[noreturn]] void Fatal(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    qFatal("libjpeg in a test: %s", message);
}

// A solid colour JPEG: the thumbnail and preview a camera would have made of the stamped photo.
QByteArray SolidJpeg(QRgb colour, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    Encoding encoding;
    encoding.quality = 75;
    return Jpeg(image, encoding);
}

const Exiv2::byte* Bytes(const QByteArray& data) {
    return reinterpret_cast<const Exiv2::byte*>(data.constData());
}

bool Dropped(const Exiv2::Exifdatum& datum) {
    static const char* const kKeys[] = {
        "Exif.Nikon3.Preview",           "Exif.Photo.MakerNote", "Exif.MakerNote.Offset",
        "Exif.MakerNote.ByteOrder",      "Exif.Image.ExifTag",   "Exif.Image.GPSTag",
        "Exif.Photo.InteroperabilityTag"};
    if (datum.groupName() == "Thumbnail" || datum.groupName() == "NikonPreview") return true;
    for (const char* key : kKeys)
        if (datum.key() == key) return true;
    return false;
}

}  // namespace

QByteArray Jpeg(const QImage& picture, const Encoding& encoding) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct c;
    jpeg_error_mgr errors;
    c.err = jpeg_std_error(&errors);
    errors.error_exit = Fatal;
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(rgb.width());
    c.image_height = JDIMENSION(rgb.height());
    const bool cmyk = encoding.colours == Encoding::Colours::Cmyk;
    c.input_components = cmyk ? 4 : 3;
    c.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    if (encoding.colours == Encoding::Colours::Grey) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    jpeg_set_quality(&c, encoding.quality, TRUE);
    c.comp_info[0].h_samp_factor = encoding.hSampling;
    c.comp_info[0].v_samp_factor = encoding.vSampling;
    for (int i = 1; i < c.num_components; ++i)
        c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    if (encoding.progressive) jpeg_simple_progression(&c);
    c.restart_in_rows = encoding.restartRows;
    jpeg_start_compress(&c, TRUE);
    if (!encoding.iccProfile.isEmpty())
        jpeg_write_icc_profile(&c, reinterpret_cast<const JOCTET*>(encoding.iccProfile.constData()),
                               unsigned(encoding.iccProfile.size()));
    std::vector<unsigned char> row(std::size_t(rgb.width()) * 4);
    while (c.next_scanline < c.image_height) {
        const uchar* line = rgb.constScanLine(int(c.next_scanline));
        for (int x = 0; x < rgb.width(); ++x)
            for (int k = 0; k < c.input_components; ++k)
                row[std::size_t(x) * c.input_components + k] =
                    k < 3 ? (cmyk ? 255 - line[x * 3 + k] : line[x * 3 + k]) : 40;
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    const QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

QByteArray IccProfile(const char* colourSpace) {
    if (QByteArray(colourSpace) == "RGB ") return QColorSpace(QColorSpace::SRgb).iccProfile();
    // A header and an empty tag table: enough for a reader to tell the colour model.
    QByteArray profile(132, '\0');
    qToBigEndian<quint32>(quint32(profile.size()), profile.data());
    profile.replace(8, 4, QByteArray("\x02\x10\x00\x00", 4));
    profile.replace(12, 4, "mntr");
    profile.replace(16, 4, colourSpace);
    profile.replace(20, 4, "XYZ ");
    profile.replace(36, 4, "acsp");
    return profile;
}

QByteArray WithCameraMetadata(const QByteArray& jpeg, int orientation) {
    Exiv2::XmpParser::initialize();
    auto image = Exiv2::ImageFactory::open(Bytes(jpeg), long(jpeg.size()));
    image->readMetadata();
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "NIKON CORPORATION";
    exif["Exif.Image.Model"] = "NIKON D70";
    exif["Exif.Image.Orientation"] = uint16_t(orientation);
    exif["Exif.Image.DateTime"] = "2004:06:21 18:02:11";
    exif["Exif.Photo.DateTimeOriginal"] = "2004:06:21 10:15:30";
    exif["Exif.Photo.PixelXDimension"] = uint32_t(4242);  // as the camera wrote it, before edits
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    Exiv2::URationalValue latitude;
    latitude.read("48/1 51/1 2959/100");
    exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLatitude"), &latitude);
    exif["Exif.Nikon3.Version"] = "0210";
    exif["Exif.Nikon3.ISOSpeed"] = "0 200";
    exif["Exif.Nikon3.Quality"] = "FINE ";
    const QByteArray preview = SolidJpeg(qRgb(230, 0, 0), 320, 214);
    Exiv2::ULongValue start;
    start.read("0");
    start.setDataArea(Bytes(preview), long(preview.size()));
    exif.add(Exiv2::ExifKey("Exif.NikonPreview.JPEGInterchangeFormat"), &start);
    exif["Exif.NikonPreview.JPEGInterchangeFormatLength"] = uint32_t(preview.size());
    exif["Exif.NikonPreview.Compression"] = uint16_t(6);
    const QByteArray thumbnail = SolidJpeg(qRgb(230, 0, 0), 160, 107);
    Exiv2::ExifThumb(exif).setJpegThumbnail(Bytes(thumbnail), long(thumbnail.size()));
    image->setExifData(exif);
    Exiv2::XmpData xmp;
    xmp["Xmp.dc.title"] = "lang=x-default Coffee at the station";
    xmp["Xmp.xmp.Rating"] = "4";
    xmp["Xmp.tiff.Orientation"] = std::to_string(orientation);
    image->setXmpData(xmp);
    Exiv2::IptcData iptc;
    iptc["Iptc.Application2.Caption"] = "A cup on the counter";
    iptc["Iptc.Application2.City"] = "Lyon";
    image->setIptcData(iptc);
    image->setComment("Taken by a test");
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    const Exiv2::DataBuf all = io.read(io.size());
    return QByteArray(reinterpret_cast<const char*>(all.pData_), qsizetype(all.size_));
}

QImage Photo(int width, int height) {
    return QImage(SharedPhotos::Path(QStringLiteral("coffee.jpg")))
        .copy(0, 0, width, height)
        .convertToFormat(QImage::Format_RGB32);
}

// The data of a PNG's eXIf chunk, found by its type letters.
QByteArray PngExif(const QByteArray& file) {
    const qsizetype type = file.indexOf("eXIf");
    if (!file.startsWith("\x89PNG") || type < 4) return {};
    return file.mid(type + 4, qFromBigEndian<quint32>(file.constData() + type - 4));
}

QMap<QString, QString> MetadataOf(const QByteArray& file) {
    QMap<QString, QString> values;
    auto image = Exiv2::ImageFactory::open(Bytes(file), long(file.size()));
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    const QByteArray tiff = PngExif(file);
    if (exif.empty() && !tiff.isEmpty())
        Exiv2::ExifParser::decode(exif, Bytes(tiff), uint32_t(tiff.size()));
    for (const Exiv2::Exifdatum& datum : exif)
        if (!Dropped(datum))
            values.insert(QString::fromStdString(datum.key()),
                          QString::fromStdString(datum.toString()));
    for (const Exiv2::Xmpdatum& datum : image->xmpData())
        values.insert(QString::fromStdString(datum.key()),
                      QString::fromStdString(datum.toString()));
    for (const Exiv2::Iptcdatum& datum : image->iptcData())
        values.insert(QString::fromStdString(datum.key()),
                      QString::fromStdString(datum.toString()));
    if (!image->comment().empty())
        values.insert(QStringLiteral("Comment"), QString::fromStdString(image->comment()));
    return values;
}

QList<QImage> PreviewsOf(const QByteArray& file) {
    auto image = Exiv2::ImageFactory::open(Bytes(file), long(file.size()));
    image->readMetadata();
    const Exiv2::PreviewManager manager(*image);
    QList<QImage> previews;
    for (const Exiv2::PreviewProperties& properties : manager.getPreviewProperties()) {
        const Exiv2::PreviewImage preview = manager.getPreviewImage(properties);
        previews << QImage::fromData(
            QByteArray(reinterpret_cast<const char*>(preview.pData()), qsizetype(preview.size())));
    }
    return previews;
}

QByteArray IccOf(const QByteArray& file) {
    auto image = Exiv2::ImageFactory::open(Bytes(file), long(file.size()));
    image->readMetadata();
    if (!image->iccProfileDefined()) return {};
    const Exiv2::DataBuf* icc = image->iccProfile();
    return QByteArray(reinterpret_cast<const char*>(icc->pData_), qsizetype(icc->size_));
}

QStringList CameraKeys() {
    return {QStringLiteral("Exif.Image.Make"),
            QStringLiteral("Exif.Image.Model"),
            QStringLiteral("Exif.Photo.DateTimeOriginal"),
            QStringLiteral("Exif.GPSInfo.GPSLatitude"),
            QStringLiteral("Exif.Nikon3.ISOSpeed"),
            QStringLiteral("Xmp.dc.title"),
            QStringLiteral("Iptc.Application2.Caption"),
            QStringLiteral("Comment")};
}

QMap<QString, QString> KeptMetadata(const QByteArray& source, QSize stored, bool upright) {
    QMap<QString, QString> values = MetadataOf(source);
    values[QStringLiteral("Exif.Photo.PixelXDimension")] = QString::number(stored.width());
    if (upright) {
        values[QStringLiteral("Exif.Image.Orientation")] = QStringLiteral("1");
        values[QStringLiteral("Xmp.tiff.Orientation")] = QStringLiteral("1");
    }
    return values;
}

QImage PaintedOver(const QImage& picture, const QRect& box) {
    QImage painted = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) {
            int v = 60 + (x - box.left()) * 120 / qMax(1, box.width()) + (y - box.top());
            if (qRgb(v, v, v) == painted.pixel(x, y)) v += 9;
            painted.setPixel(x, y, qRgb(v, v, v));
        }
    return painted;
}

QRect StoredBox(const QRect& box, QSize upright, QImageIOHandler::Transformations turn) {
    QImage mask(upright, QImage::Format_RGB32);
    mask.fill(Qt::black);
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) mask.setPixel(x, y, qRgb(255, 255, 255));
    const QImage stored = StoredOrientation(mask, turn);
    QRect found;
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width(); ++x)
            if (stored.pixel(x, y) == qRgb(255, 255, 255)) found |= QRect(x, y, 1, 1);
    return found;
}

Coefficients CoefficientsOf(const QByteArray& jpeg) {
    Coefficients result;
    jpeg_decompress_struct d;
    jpeg_error_mgr errors;
    d.err = jpeg_std_error(&errors);
    errors.error_exit = Fatal;
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                 static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d, TRUE);
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&d);
    result.valid = true;
    result.progressive = d.progressive_mode;
    result.unitWidth = 8 * d.max_h_samp_factor;
    result.unitHeight = 8 * d.max_v_samp_factor;
    for (int c = 0; c < d.num_components; ++c) {
        const jpeg_component_info& info = d.comp_info[c];
        Coefficients::Component component;
        component.h = info.h_samp_factor;
        component.v = info.v_samp_factor;
        component.blocksAcross = int(info.width_in_blocks);
        component.blocksDown = int(info.height_in_blocks);
        for (int row = 0; row < component.blocksDown; ++row) {
            JBLOCKROW blocks = (*d.mem->access_virt_barray)(
                reinterpret_cast<j_common_ptr>(&d), arrays[c], JDIMENSION(row), 1, FALSE)[0];
            for (int b = 0; b < component.blocksAcross; ++b)
                component.values.insert(component.values.end(), blocks[b], blocks[b] + DCTSIZE2);
        }
        const JQUANT_TBL* table = d.quant_tbl_ptrs[info.quant_tbl_no];
        component.quantisation.assign(table->quantval, table->quantval + DCTSIZE2);
        result.components.push_back(std::move(component));
    }
    jpeg_destroy_decompress(&d);
    return result;
}

int BlocksChangedOutside(const Coefficients& a, const Coefficients& b, const QRect& keep) {
    if (!a.valid || !b.valid || a.components.size() != b.components.size() ||
        a.unitWidth != b.unitWidth || a.unitHeight != b.unitHeight)
        return -1;
    int changed = 0;
    for (std::size_t c = 0; c < a.components.size(); ++c) {
        const auto& p = a.components[c];
        const auto& q = b.components[c];
        if (p.blocksAcross != q.blocksAcross || p.blocksDown != q.blocksDown || p.h != q.h ||
            p.v != q.v || p.quantisation != q.quantisation)
            return -1;
        for (int by = 0; by < p.blocksDown; ++by)
            for (int bx = 0; bx < p.blocksAcross; ++bx) {
                const QRect unit((bx / p.h) * a.unitWidth, (by / p.v) * a.unitHeight, a.unitWidth,
                                 a.unitHeight);
                if (unit.intersects(keep)) continue;
                const std::size_t at = (std::size_t(by) * p.blocksAcross + bx) * DCTSIZE2;
                if (!std::equal(&p.values[at], &p.values[at] + DCTSIZE2, &q.values[at])) ++changed;
            }
    }
    return changed;
}

QImage StoredPixels(const QByteArray& file) {
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

QRect UnitsAround(const QRect& box, int unitWidth, int unitHeight, int more) {
    const int left = box.left() / unitWidth - more, top = box.top() / unitHeight - more;
    const int right = box.right() / unitWidth + more, bottom = box.bottom() / unitHeight + more;
    return QRect(QPoint(left * unitWidth, top * unitHeight),
                 QPoint((right + 1) * unitWidth - 1, (bottom + 1) * unitHeight - 1));
}

int PixelsChangedOutside(const QImage& a, const QImage& b, const QRect& except) {
    if (a.size() != b.size()) return -1;
    int changed = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!except.contains(x, y) && (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF))
                ++changed;
    return changed;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

}  // namespace TaggedPhotos
