#pragma once
#include <QByteArray>
#include <QImage>
#include <memory>

// A photo's metadata, read and written with exiv2: EXIF (date taken, camera, GPS, maker notes),
// XMP, IPTC and the comment. A result keeps its source's, brought up to date: its size, its
// orientation, a thumbnail made from it, and none of the source's other previews (they still
// show what was removed). Damaged metadata is never an error: what exiv2 can read is kept, and
// whatever it cannot write is left out.
class PhotoMetadata {
public:
    PhotoMetadata();
    ~PhotoMetadata();
    PhotoMetadata(const PhotoMetadata&);
    PhotoMetadata& operator=(const PhotoMetadata&);

    // What can be read from a picture file's content (any format exiv2 knows).
    static PhotoMetadata Read(const QByteArray& file);

    bool IsEmpty() const;  // no EXIF, XMP, IPTC or comment
    // The EXIF orientation (1 to 8, or whatever a damaged file says); 1 when there is none.
    int Orientation() const;
    // The ICC profile exiv2 found (a PNG's iCCP chunk; JPEGs' are read with libjpeg).
    QByteArray IccProfile() const;

    struct Parts;

private:
    std::shared_ptr<const Parts> parts_;
    friend struct MetadataWriter;
};

// The file the metadata goes into.
struct MetadataUpdate {
    QImage picture;                // its pixels as stored in it: its size, the new thumbnail
    bool keepOrientation = false;  // stored as the source's pixels were; else upright (1)
};

// What went into the file.
struct MetadataWritten {
    bool exif = false, xmp = false, iptc = false, comment = false;
};

// The JPEG `jpeg` with `metadata` put in (exiv2 rewrites the markers before the picture data and
// keeps the ICC profile there). Parts that cannot be written are left out, in this order: the
// maker note, then all EXIF; at worst `jpeg` comes back as it was.
QByteArray WithMetadata(const QByteArray& jpeg, const PhotoMetadata& metadata,
                        const MetadataUpdate& update, MetadataWritten* written = nullptr);

// For a PNG: the EXIF as the TIFF structure an eXIf chunk holds, and the XMP packet; empty when
// there is none or it cannot be written.
QByteArray ExifBlock(const PhotoMetadata& metadata, const MetadataUpdate& update);
QByteArray XmpPacket(const PhotoMetadata& metadata, const MetadataUpdate& update);
