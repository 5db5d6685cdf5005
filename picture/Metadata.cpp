#include "picture/Metadata.h"

#include <exiv2/exiv2.hpp>

#include <cstring>
#include <mutex>
#include <string>

#include "picture/JpegFile.h"
#include "picture/PngChunks.h"

struct PhotoMetadata::Parts {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
    std::string comment;
    Exiv2::ByteOrder byteOrder = Exiv2::littleEndian;
    QByteArray icc;
};

namespace {

using Parts = PhotoMetadata::Parts;

// The EXIF thumbnail made for a result: its long side, and its JPEG quality.
constexpr int kThumbnailSide = 160;
constexpr int kThumbnailQuality = 85;

void Quiet(int, const char*) {}

// The XMP toolkit registers the namespaces it meets in a table of its own: saves running on
// several threads at once (brisvane-inpaint --out-dir) take turns at it.
void LockXmp(void* mutex, bool lock) {
    if (lock)
        static_cast<std::mutex*>(mutex)->lock();
    else
        static_cast<std::mutex*>(mutex)->unlock();
}

// exiv2 reports damaged files on the error channel; the program tells its users itself.
void StartExiv2() {
    static std::once_flag once;
    static std::mutex xmpNamespaces;
    std::call_once(once, [] {
        Exiv2::LogMsg::setHandler(Quiet);
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(LockXmp, &xmpNamespaces);
    });
}

const Exiv2::byte* Bytes(const QByteArray& data) {
    return reinterpret_cast<const Exiv2::byte*>(data.constData());
}

// Tags that hold a preview of the picture beside the EXIF thumbnail, in the maker notes of
// many cameras or in further picture directories: the ones exiv2 finds, and any maker-note tag
// named for a preview or thumbnail.
bool HoldsPreview(const Exiv2::Exifdatum& datum) {
    static const char* const kGroups[] = {"NikonPreview", "SamsungPreview", "SubImage1",
                                          "SubImage2",    "SubImage3",      "SubImage4",
                                          "SubThumb1",    "Image2",         "Image3"};
    static const char* const kKeys[] = {"Exif.Image.JPEGInterchangeFormat",
                                        "Exif.Image.JPEGInterchangeFormatLength",
                                        "Exif.Image.StripOffsets",
                                        "Exif.Image.StripByteCounts",
                                        "Exif.Image.TileOffsets",
                                        "Exif.Image.TileByteCounts",
                                        "Exif.Image.SubIFDs",
                                        "Exif.Nikon3.Preview"};
    const std::string group = datum.groupName(), key = datum.key();
    for (const char* g : kGroups)
        if (group == g) return true;
    for (const char* k : kKeys)
        if (key == k) return true;
    if (!Exiv2::ExifTags::isMakerGroup(group)) return false;
    const std::string name = datum.tagName();
    return name.find("Preview") != std::string::npos || name.find("Thumbnail") != std::string::npos;
}

bool IsMakerNote(const Exiv2::Exifdatum& datum) {
    return datum.key() == "Exif.Photo.MakerNote" || datum.groupName() == "MakerNote" ||
           Exiv2::ExifTags::isMakerGroup(datum.groupName());
}

template <class Container, class Predicate>
void EraseIf(Container& data, Predicate drop) {
    for (auto i = data.begin(); i != data.end();) i = drop(*i) ? data.erase(i) : std::next(i);
}

bool HasGroup(const Exiv2::ExifData& exif, const char* group) {
    for (const Exiv2::Exifdatum& datum : exif)
        if (datum.groupName() == group) return true;
    return false;
}

// A tag is brought up to date where the source has it; none is added.
template <class Value>
void SetIfPresent(Exiv2::ExifData& exif, const char* key, const Value& value) {
    if (exif.findKey(Exiv2::ExifKey(key)) != exif.end()) exif[key] = value;
}
void SetIfPresent(Exiv2::XmpData& xmp, const char* key, const std::string& value) {
    if (xmp.findKey(Exiv2::XmpKey(key)) != xmp.end()) xmp[key] = value;
}

QByteArray MakeThumbnail(const QImage& picture) {
    QString error;
    return EncodeJpeg(picture.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio,
                                     Qt::SmoothTransformation),
                      JpegEncoding{kThumbnailQuality, false, {}}, error);
}

// How much of the metadata is written; each step leaves out what may have stopped the one before.
enum class Level { All, NoMakerNote, NoExif };

// The metadata as it goes into a result.
struct Prepared {
    Parts parts;
    QByteArray thumbnail;  // empty when the source had none
};

Prepared Prepare(const Parts& source, const MetadataUpdate& update, Level level) {
    Prepared p{source, {}};
    Exiv2::ExifData& exif = p.parts.exif;
    if (level != Level::All) EraseIf(exif, IsMakerNote);
    if (level == Level::NoExif) exif.clear();
    const bool hadThumbnail = HasGroup(exif, "Thumbnail");
    EraseIf(exif, HoldsPreview);
    Exiv2::ExifThumb(exif).erase();
    EraseIf(p.parts.xmp, [](const Exiv2::Xmpdatum& datum) {
        return datum.key().rfind("Xmp.xmp.Thumbnails", 0) == 0;
    });

    const uint32_t width = uint32_t(update.picture.width());
    const uint32_t height = uint32_t(update.picture.height());
    SetIfPresent(exif, "Exif.Photo.PixelXDimension", width);
    SetIfPresent(exif, "Exif.Photo.PixelYDimension", height);
    SetIfPresent(exif, "Exif.Image.ImageWidth", width);
    SetIfPresent(exif, "Exif.Image.ImageLength", height);
    SetIfPresent(p.parts.xmp, "Xmp.exif.PixelXDimension", std::to_string(width));
    SetIfPresent(p.parts.xmp, "Xmp.exif.PixelYDimension", std::to_string(height));
    if (!update.keepOrientation) {
        SetIfPresent(exif, "Exif.Image.Orientation", uint16_t(1));
        SetIfPresent(p.parts.xmp, "Xmp.tiff.Orientation", std::string("1"));
    }
    if (hadThumbnail && !update.picture.isNull()) {
        p.thumbnail = MakeThumbnail(update.picture);
        if (!p.thumbnail.isEmpty())
            Exiv2::ExifThumb(exif).setJpegThumbnail(Bytes(p.thumbnail), long(p.thumbnail.size()));
    }
    return p;
}

QByteArray Contents(Exiv2::BasicIo& io) {
    io.seek(0, Exiv2::BasicIo::beg);
    const Exiv2::DataBuf all = io.read(io.size());
    return QByteArray(reinterpret_cast<const char*>(all.pData_), qsizetype(all.size_));
}

QByteArray WriteInto(const QByteArray& jpeg, const Parts& parts) {
    auto image = Exiv2::ImageFactory::open(Bytes(jpeg), long(jpeg.size()));
    image->readMetadata();  // the ICC profile libjpeg wrote, which exiv2 then writes back
    image->setExifData(parts.exif);
    image->setXmpData(parts.xmp);
    image->setIptcData(parts.iptc);
    if (parts.comment.empty())
        image->clearComment();
    else
        image->setComment(parts.comment);
    image->writeMetadata();
    return Contents(image->io());
}

// True when exiv2 finds a preview in `file` other than `thumbnail`.
bool HasOtherPreviews(const QByteArray& file, const QByteArray& thumbnail) {
    auto image = Exiv2::ImageFactory::open(Bytes(file), long(file.size()));
    image->readMetadata();
    const Exiv2::PreviewManager previews(*image);
    for (const Exiv2::PreviewProperties& properties : previews.getPreviewProperties()) {
        const Exiv2::PreviewImage preview = previews.getPreviewImage(properties);
        if (QByteArray(reinterpret_cast<const char*>(preview.pData()), qsizetype(preview.size())) !=
            thumbnail)
            return true;
    }
    return false;
}

// A JPEG without its EXIF segments, for reading what comes after EXIF that exiv2 gave up on.
QByteArray WithoutExif(const QByteArray& jpeg) {
    if (!jpeg.startsWith("\xFF\xD8")) return {};
    QByteArray kept = jpeg.left(2);
    qsizetype i = 2;
    while (i + 4 <= jpeg.size() && uchar(jpeg[i]) == 0xFF && uchar(jpeg[i + 1]) != 0xDA) {
        const qsizetype length = (uchar(jpeg[i + 2]) << 8) | uchar(jpeg[i + 3]);
        if (length < 2) return {};
        const bool exif =
            uchar(jpeg[i + 1]) == 0xE1 && jpeg.mid(i + 4, 6) == QByteArray("Exif\0\0", 6);
        if (!exif) kept += jpeg.mid(i, 2 + length);
        i += 2 + length;
    }
    return kept + jpeg.mid(i);
}

// Reads what exiv2 can of `file` into `parts`; false when it stopped at damage.
bool ReadInto(const QByteArray& file, Parts& parts) {
    auto image = Exiv2::ImageFactory::open(Bytes(file), long(file.size()));
    bool whole = true;
    try {
        image->readMetadata();
    } catch (...) {  // damaged: keep what was read before the damage
        whole = false;
    }
    parts.exif = image->exifData();
    parts.xmp = image->xmpData();
    parts.iptc = image->iptcData();
    parts.comment = image->comment();
    if (image->byteOrder() != Exiv2::invalidByteOrder) parts.byteOrder = image->byteOrder();
    if (image->iccProfileDefined()) {
        const Exiv2::DataBuf* icc = image->iccProfile();
        parts.icc = QByteArray(reinterpret_cast<const char*>(icc->pData_), qsizetype(icc->size_));
    }
    return whole;
}

}  // namespace

struct MetadataWriter {
    static const Parts* Of(const PhotoMetadata& metadata) { return metadata.parts_.get(); }
    static void Set(PhotoMetadata& metadata, std::shared_ptr<const Parts> parts) {
        metadata.parts_ = std::move(parts);
    }
};

PhotoMetadata::PhotoMetadata() : parts_(std::make_shared<const Parts>()) {}
PhotoMetadata::~PhotoMetadata() = default;
PhotoMetadata::PhotoMetadata(const PhotoMetadata&) = default;
PhotoMetadata& PhotoMetadata::operator=(const PhotoMetadata&) = default;

PhotoMetadata PhotoMetadata::Read(const QByteArray& file) {
    StartExiv2();
    auto parts = std::make_shared<Parts>();
    try {
        if (!ReadInto(file, *parts)) {
            // EXIF comes first in a JPEG: damage there must not cost the XMP, IPTC and comment.
            Parts rest;
            const QByteArray withoutExif = WithoutExif(file);
            if (!withoutExif.isEmpty()) ReadInto(withoutExif, rest);
            if (parts->xmp.empty()) parts->xmp = rest.xmp;
            if (parts->iptc.empty()) parts->iptc = rest.iptc;
            if (parts->comment.empty()) parts->comment = rest.comment;
        }
    } catch (...) {  // not a file exiv2 knows, or too damaged to open
    }
    // A PNG's eXIf chunk, which this version of exiv2 may not read itself.
    const QByteArray tiff = parts->exif.empty() ? PngChunkData(file, "eXIf") : QByteArray();
    if (!tiff.isEmpty()) {
        try {
            parts->byteOrder =
                Exiv2::ExifParser::decode(parts->exif, Bytes(tiff), uint32_t(tiff.size()));
        } catch (...) {
            parts->exif.clear();
        }
    }
    PhotoMetadata metadata;
    MetadataWriter::Set(metadata, std::move(parts));
    return metadata;
}

bool PhotoMetadata::IsEmpty() const {
    return parts_->exif.empty() && parts_->xmp.empty() && parts_->iptc.empty() &&
           parts_->comment.empty();
}

int PhotoMetadata::Orientation() const {
    try {
        const auto found = parts_->exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (found != parts_->exif.end() && found->count() > 0) return int(found->toLong(0));
    } catch (...) {
    }
    return 1;
}

QByteArray PhotoMetadata::IccProfile() const {
    return parts_->icc;
}

QByteArray WithMetadata(const QByteArray& jpeg, const PhotoMetadata& metadata,
                        const MetadataUpdate& update, MetadataWritten* written) {
    const Parts& source = *MetadataWriter::Of(metadata);
    if (metadata.IsEmpty()) return jpeg;
    StartExiv2();
    for (const Level level : {Level::All, Level::NoMakerNote, Level::NoExif}) {
        try {
            const Prepared p = Prepare(source, update, level);
            const QByteArray out = WriteInto(jpeg, p.parts);
            if (HasOtherPreviews(out, p.thumbnail)) continue;
            if (written)
                *written = {!p.parts.exif.empty(), !p.parts.xmp.empty(), !p.parts.iptc.empty(),
                            !p.parts.comment.empty()};
            return out;
        } catch (...) {  // this much cannot be written: try with less
        }
    }
    return jpeg;
}

QByteArray ExifBlock(const PhotoMetadata& metadata, const MetadataUpdate& update) {
    const Parts& source = *MetadataWriter::Of(metadata);
    if (source.exif.empty()) return {};
    StartExiv2();
    for (const Level level : {Level::All, Level::NoMakerNote}) {
        try {
            const Prepared p = Prepare(source, update, level);
            Exiv2::Blob blob;
            Exiv2::ExifParser::encode(blob, source.byteOrder, p.parts.exif);
            if (!blob.empty())
                return QByteArray(reinterpret_cast<const char*>(blob.data()),
                                  qsizetype(blob.size()));
        } catch (...) {
        }
    }
    return {};
}

QByteArray XmpPacket(const PhotoMetadata& metadata, const MetadataUpdate& update) {
    const Parts& source = *MetadataWriter::Of(metadata);
    if (source.xmp.empty()) return {};
    StartExiv2();
    try {
        const Prepared p = Prepare(source, update, Level::NoExif);
        std::string packet;
        if (Exiv2::XmpParser::encode(packet, p.parts.xmp) == 0)
            return QByteArray(packet.data(), qsizetype(packet.size()));
    } catch (...) {
    }
    return {};
}
