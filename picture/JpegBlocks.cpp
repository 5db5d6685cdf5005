#include "picture/JpegBlocks.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "picture/JpegErrors.h"

namespace {

using jpeg_errors::ErrorManager;

// Everything one run of the block copy works on. It lives on the heap so that nothing the run
// changes is lost when libjpeg jumps back on an error, and it holds no C++ objects.
struct BlockCopy {
    // In: the source file, the MCUs to encode anew (one byte each, row by row) and the
    // rectangle of whole MCUs around them, as 32-bit pixels.
    const unsigned char* source;
    unsigned long sourceSize;
    const unsigned char* changed;
    int unitsAcross;
    const unsigned char* crop;  // null when nothing changed
    int cropWidth, cropHeight, cropStride;
    int cropUnitX, cropUnitY, cropUnitsAcross, cropUnitsDown;
    const unsigned char* icc;
    unsigned int iccSize;

    // Out: the new file (malloc'ed by libjpeg) or the reason it failed.
    unsigned char* out;
    unsigned long outSize;
    char message[JMSG_LENGTH_MAX];

    ErrorManager errors;
    jpeg_decompress_struct sourceReader, cropReader;
    jpeg_compress_struct cropWriter, writer;
    bool sourceReaderMade, cropReaderMade, cropWriterMade, writerMade;
    unsigned char* cropJpeg;
    unsigned long cropJpegSize;
};

void Release(BlockCopy& b) {
    if (b.writerMade) jpeg_destroy_compress(&b.writer);
    if (b.cropWriterMade) jpeg_destroy_compress(&b.cropWriter);
    if (b.cropReaderMade) jpeg_destroy_decompress(&b.cropReader);
    if (b.sourceReaderMade) jpeg_destroy_decompress(&b.sourceReader);
    std::free(b.cropJpeg);
    b.cropJpeg = nullptr;
}

// Encodes the rectangle of changed MCUs with the source's tables and sampling, and reads its
// coefficients back. Every MCU's coefficients depend only on its own pixels (the rectangle
// starts on an MCU boundary, and ends on one or at the picture's edge, as the picture does), so
// they are the ones encoding the whole picture would give.
jvirt_barray_ptr* EncodeCrop(BlockCopy& b) {
    jpeg_compress_struct& w = b.cropWriter;
    w.err = &b.errors.base;
    jpeg_create_compress(&w);
    b.cropWriterMade = true;
    jpeg_mem_dest(&w, &b.cropJpeg, &b.cropJpegSize);
    jpeg_copy_critical_parameters(&b.sourceReader, &w);
    w.image_width = JDIMENSION(b.cropWidth);
    w.image_height = JDIMENSION(b.cropHeight);
    w.input_components = 4;
    w.in_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    w.optimize_coding = TRUE;
    jpeg_start_compress(&w, TRUE);
    while (w.next_scanline < w.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(b.crop + std::size_t(w.next_scanline) * b.cropStride);
        jpeg_write_scanlines(&w, &row, 1);
    }
    jpeg_finish_compress(&w);

    jpeg_decompress_struct& r = b.cropReader;
    r.err = &b.errors.base;
    jpeg_create_decompress(&r);
    b.cropReaderMade = true;
    jpeg_mem_src(&r, b.cropJpeg, b.cropJpegSize);
    jpeg_read_header(&r, TRUE);
    return jpeg_read_coefficients(&r);
}

// Puts the new coefficients of every changed MCU in place of the source's.
void CopyChangedUnits(BlockCopy& b, jvirt_barray_ptr* target, jvirt_barray_ptr* fresh) {
    jpeg_decompress_struct& s = b.sourceReader;
    for (int uy = 0; uy < b.cropUnitsDown; ++uy)
        for (int ux = 0; ux < b.cropUnitsAcross; ++ux) {
            const int unitX = b.cropUnitX + ux, unitY = b.cropUnitY + uy;
            if (!b.changed[std::size_t(unitY) * b.unitsAcross + unitX]) continue;
            for (int c = 0; c < s.num_components; ++c) {
                const int h = s.comp_info[c].h_samp_factor, v = s.comp_info[c].v_samp_factor;
                for (int row = 0; row < v; ++row) {
                    JBLOCKROW into =
                        (*s.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&s), target[c],
                                                     JDIMENSION(unitY * v + row), 1, TRUE)[0];
                    JBLOCKROW from = (*b.cropReader.mem->access_virt_barray)(
                        reinterpret_cast<j_common_ptr>(&b.cropReader), fresh[c],
                        JDIMENSION(uy * v + row), 1, FALSE)[0];
                    std::memcpy(into + std::size_t(unitX) * h, from + std::size_t(ux) * h,
                                sizeof(JBLOCK) * std::size_t(h));
                }
            }
        }
}

bool Run(BlockCopy& b) {
    if (setjmp(b.errors.escape)) {
        std::snprintf(b.message, JMSG_LENGTH_MAX, "%s", b.errors.message);
        Release(b);
        std::free(b.out);
        b.out = nullptr;
        return false;
    }
    jpeg_errors::Install(b.errors);
    jpeg_decompress_struct& s = b.sourceReader;
    s.err = &b.errors.base;
    jpeg_create_decompress(&s);
    b.sourceReaderMade = true;
    jpeg_mem_src(&s, b.source, b.sourceSize);
    jpeg_read_header(&s, TRUE);
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&s);
    if (b.crop) CopyChangedUnits(b, coefficients, EncodeCrop(b));

    jpeg_compress_struct& w = b.writer;
    w.err = &b.errors.base;
    jpeg_create_compress(&w);
    b.writerMade = true;
    jpeg_mem_dest(&w, &b.out, &b.outSize);
    jpeg_copy_critical_parameters(&s, &w);
    if (s.progressive_mode) jpeg_simple_progression(&w);
    w.optimize_coding = TRUE;
    w.arith_code = s.arith_code;
    w.restart_interval = s.restart_interval;
    jpeg_write_coefficients(&w, coefficients);
    if (b.icc) jpeg_write_icc_profile(&w, b.icc, b.iccSize);
    jpeg_finish_compress(&w);
    Release(b);
    return true;
}

// One byte per MCU: 1 where `result` has a pixel unlike `decoded`.
std::vector<unsigned char> ChangedUnits(const QImage& decoded, const QImage& result,
                                        const JpegLayout& layout, int across, int down) {
    std::vector<unsigned char> changed(std::size_t(across) * down, 0);
    for (int y = 0; y < result.height(); ++y) {
        const auto* was = reinterpret_cast<const QRgb*>(decoded.constScanLine(y));
        const auto* now = reinterpret_cast<const QRgb*>(result.constScanLine(y));
        unsigned char* units = &changed[std::size_t(y / layout.unitHeight) * across];
        for (int x = 0; x < result.width(); ++x)
            if ((was[x] ^ now[x]) & 0xFFFFFFu) units[x / layout.unitWidth] = 1;
    }
    return changed;
}

// Runs the block copy: the source with the changed MCUs (within `units`, the pixels of which are
// `crop`) encoded anew. False with `error` set when libjpeg fails.
bool CopyBlocks(const QByteArray& source, const std::vector<unsigned char>& changed, int across,
                const QImage& crop, const QRect& units, const QByteArray& iccProfile,
                QByteArray& jpeg, QString& error) {
    auto* run = static_cast<BlockCopy*>(std::calloc(1, sizeof(BlockCopy)));
    if (!run) {
        error = QStringLiteral("out of memory");
        return false;
    }
    run->source = reinterpret_cast<const unsigned char*>(source.constData());
    run->sourceSize = static_cast<unsigned long>(source.size());
    run->changed = changed.data();
    run->unitsAcross = across;
    if (!crop.isNull()) {
        run->crop = crop.constBits();
        run->cropWidth = crop.width();
        run->cropHeight = crop.height();
        run->cropStride = int(crop.bytesPerLine());
        run->cropUnitX = units.x();
        run->cropUnitY = units.y();
        run->cropUnitsAcross = units.width();
        run->cropUnitsDown = units.height();
    }
    if (!iccProfile.isEmpty()) {
        run->icc = reinterpret_cast<const unsigned char*>(iccProfile.constData());
        run->iccSize = static_cast<unsigned int>(iccProfile.size());
    }
    const bool done = Run(*run);
    if (done)
        jpeg = QByteArray(reinterpret_cast<const char*>(run->out), qsizetype(run->outSize));
    else
        error = QString::fromLocal8Bit(run->message);
    std::free(run->out);
    std::free(run);
    return done;
}

}  // namespace

bool CanKeepBlocks(const JpegLayout& layout) {
    return layout.valid && layout.eightBit && layout.samplingNests &&
           layout.colours != JpegLayout::Colours::Other;
}

std::optional<KeptBlocks> EncodeKeepingBlocks(const QByteArray& source, const JpegLayout& layout,
                                              const QImage& decoded, const QImage& result,
                                              const QByteArray& iccProfile, QString& error) {
    const QSize size(layout.width, layout.height);
    if (!CanKeepBlocks(layout) || decoded.size() != size || result.size() != size) {
        error = QStringLiteral("the picture is not the source's size and kind");
        return std::nullopt;
    }
    const QImage now = result.convertToFormat(QImage::Format_RGB32);
    if (layout.colours == JpegLayout::Colours::Grey && !IsGreyPicture(now)) {
        error = QStringLiteral("the picture has colour and the source is grey");
        return std::nullopt;
    }
    const int across = (size.width() + layout.unitWidth - 1) / layout.unitWidth;
    const int down = (size.height() + layout.unitHeight - 1) / layout.unitHeight;
    const std::vector<unsigned char> changed =
        ChangedUnits(decoded.convertToFormat(QImage::Format_RGB32), now, layout, across, down);

    KeptBlocks kept;
    kept.units = across * down;
    QRect units;  // around every changed MCU, in MCUs
    for (int uy = 0; uy < down; ++uy)
        for (int ux = 0; ux < across; ++ux)
            if (changed[std::size_t(uy) * across + ux]) {
                ++kept.rewritten;
                units |= QRect(ux, uy, 1, 1);
            }
    const QImage crop =
        units.isEmpty()
            ? QImage()
            : now.copy(QRect(units.x() * layout.unitWidth, units.y() * layout.unitHeight,
                             units.width() * layout.unitWidth, units.height() * layout.unitHeight)
                           .intersected(now.rect()));
    if (!CopyBlocks(source, changed, across, crop, units, iccProfile, kept.jpeg, error))
        return std::nullopt;
    return kept;
}
