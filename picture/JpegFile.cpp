#include "picture/JpegFile.h"

#include <cstdlib>
#include <cstring>

#include "picture/JpegErrors.h"

namespace {

using jpeg_errors::ErrorManager;

// Encodes into a memory buffer owned by libjpeg; no C++ objects live across the setjmp.
bool Encode(const QImage& pixels, const JpegEncoding& encoding, unsigned char** buffer,
            unsigned long* size, char* message) {
    jpeg_compress_struct cinfo;
    ErrorManager errors;
    cinfo.err = jpeg_errors::Install(errors);
    if (setjmp(errors.escape)) {
        jpeg_destroy_compress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = static_cast<JDIMENSION>(pixels.width());
    cinfo.image_height = static_cast<JDIMENSION>(pixels.height());
#ifdef JCS_EXTENSIONS
    cinfo.input_components = 4;
    cinfo.in_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
#else
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
#endif
    jpeg_set_defaults(&cinfo);
    if (encoding.grey) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    jpeg_set_quality(&cinfo, encoding.quality, TRUE);
    for (int i = 0; i < cinfo.num_components; ++i) {
        cinfo.comp_info[i].h_samp_factor = 1;
        cinfo.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (!encoding.iccProfile.isEmpty())
        jpeg_write_icc_profile(&cinfo,
                               reinterpret_cast<const JOCTET*>(encoding.iccProfile.constData()),
                               static_cast<unsigned int>(encoding.iccProfile.size()));
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(pixels.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// The header facts and the ICC profile (malloc'ed by libjpeg, or null), read without decoding.
bool ReadHeader(const QByteArray& data, JpegLayout& layout, JOCTET** icc, unsigned int* iccSize) {
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    cinfo.err = jpeg_errors::Install(errors);
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    if (icc) jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    layout.width = int(cinfo.image_width);
    layout.height = int(cinfo.image_height);
    switch (cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
            layout.colours =
                cinfo.num_components == 1 ? JpegLayout::Colours::Grey : JpegLayout::Colours::Other;
            break;
        case JCS_YCbCr:
        case JCS_RGB:
            layout.colours = cinfo.num_components != 3           ? JpegLayout::Colours::Other
                             : cinfo.jpeg_color_space == JCS_RGB ? JpegLayout::Colours::Rgb
                                                                 : JpegLayout::Colours::YCbCr;
            break;
        default:
            layout.colours = JpegLayout::Colours::Other;
    }
    layout.unitWidth = 8 * cinfo.max_h_samp_factor;
    layout.unitHeight = 8 * cinfo.max_v_samp_factor;
    layout.samplingNests = true;
    for (int i = 0; i < cinfo.num_components; ++i) {
        const jpeg_component_info& c = cinfo.comp_info[i];
        if (cinfo.max_h_samp_factor % c.h_samp_factor || cinfo.max_v_samp_factor % c.v_samp_factor)
            layout.samplingNests = false;
    }
    layout.progressive = cinfo.progressive_mode;
    layout.eightBit = cinfo.data_precision == 8;
    if (icc && !jpeg_read_icc_profile(&cinfo, icc, iccSize)) *icc = nullptr;
    jpeg_destroy_decompress(&cinfo);
    layout.valid = true;
    return true;
}

}  // namespace

QByteArray EncodeJpeg(const QImage& picture, const JpegEncoding& encoding, QString& error) {
    if (picture.width() > JPEG_MAX_DIMENSION || picture.height() > JPEG_MAX_DIMENSION) {
        error = QStringLiteral("the picture is too large for JPEG");
        return {};
    }
#ifdef JCS_EXTENSIONS
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);  // fed to libjpeg as it is
#else
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB888);
#endif
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = "";
    QByteArray encoded;
    if (Encode(pixels, encoding, &buffer, &size, message))
        encoded = QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(size));
    else
        error = QString::fromLocal8Bit(message);
    std::free(buffer);
    return encoded;
}

bool WriteJpeg(const QImage& picture, int quality, QIODevice& device, QString& error) {
    JpegEncoding encoding;
    encoding.quality = quality;
    const QByteArray encoded = EncodeJpeg(picture, encoding, error);
    if (encoded.isEmpty()) return false;
    if (device.write(encoded) == encoded.size()) return true;
    error = device.errorString();
    return false;
}

bool IsGreyPicture(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            if (qRed(line[x]) != qGreen(line[x]) || qGreen(line[x]) != qBlue(line[x])) return false;
    }
    return true;
}

JpegLayout ReadJpegLayout(const QByteArray& data) {
    JpegLayout layout;
    if (!ReadHeader(data, layout, nullptr, nullptr)) return JpegLayout();
    return layout;
}

QByteArray ReadJpegIccProfile(const QByteArray& data) {
    JpegLayout layout;
    JOCTET* icc = nullptr;
    unsigned int size = 0;
    if (!ReadHeader(data, layout, &icc, &size)) return {};
    QByteArray profile(reinterpret_cast<const char*>(icc), icc ? qsizetype(size) : 0);
    std::free(icc);
    return profile;
}

QByteArray IccColourSpace(const QByteArray& profile) {
    return profile.size() >= 20 ? profile.mid(16, 4) : QByteArray();
}
