#include "picture/JpegFile.h"

#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->escape, 1);
}

// Encodes into a memory buffer owned by libjpeg; no C++ objects live across the setjmp.
bool Encode(const QImage& pixels, int quality, unsigned char** buffer, unsigned long* size,
            char* message) {
    jpeg_compress_struct cinfo;
    ErrorManager errors;
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
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
    jpeg_set_quality(&cinfo, quality, TRUE);
    for (int i = 0; i < cinfo.num_components; ++i) {
        cinfo.comp_info[i].h_samp_factor = 1;
        cinfo.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(pixels.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

bool WriteJpeg(const QImage& picture, int quality, QIODevice& device, QString& error) {
    if (picture.width() > JPEG_MAX_DIMENSION || picture.height() > JPEG_MAX_DIMENSION) {
        error = QStringLiteral("the picture is too large for JPEG");
        return false;
    }
#ifdef JCS_EXTENSIONS
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);  // fed to libjpeg as it is
#else
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB888);
#endif
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = "";
    const bool encoded = Encode(pixels, quality, &buffer, &size, message);
    bool ok = encoded && device.write(reinterpret_cast<const char*>(buffer),
                                      static_cast<qint64>(size)) == static_cast<qint64>(size);
    if (!encoded)
        error = QString::fromLocal8Bit(message);
    else if (!ok)
        error = device.errorString();
    std::free(buffer);
    return ok;
}
