#include "picture/PngChunks.h"

#include <zlib.h>

#include <QtEndian>

namespace {

const QByteArray kSignature("\x89PNG\r\n\x1a\n", 8);
const QByteArray kXmpKeyword("XML:com.adobe.xmp");

struct ChunkAt {
    qsizetype start = 0, size = 0;  // the whole chunk: length, type, data, CRC
    QByteArray type;
    qsizetype dataStart = 0, dataSize = 0;
};

// The chunks of a PNG stream in order; stops at the first one that does not fit.
QList<ChunkAt> Chunks(const QByteArray& png) {
    QList<ChunkAt> chunks;
    qsizetype i = kSignature.size();
    while (i + 12 <= png.size()) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + i);
        if (length > quint32(png.size() - i - 12)) break;
        ChunkAt chunk;
        chunk.start = i;
        chunk.size = 12 + qsizetype(length);
        chunk.type = png.mid(i + 4, 4);
        chunk.dataStart = i + 8;
        chunk.dataSize = qsizetype(length);
        chunks << chunk;
        i += chunk.size;
        if (chunk.type == "IEND") break;
    }
    return chunks;
}

QByteArray Encoded(const PngChunk& chunk) {
    QByteArray bytes(4, '\0');
    qToBigEndian<quint32>(quint32(chunk.data.size()), bytes.data());
    bytes += chunk.type + chunk.data;
    const uLong crc =
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.constData() + 4),
              uInt(bytes.size() - 4));
    QByteArray crcBytes(4, '\0');
    qToBigEndian<quint32>(quint32(crc), crcBytes.data());
    return bytes + crcBytes;
}

QByteArray ItxtKeyword(const QByteArray& data) {
    return data.left(data.indexOf('\0'));
}

bool Replaced(const QByteArray& png, const ChunkAt& old, const QList<PngChunk>& chunks) {
    for (const PngChunk& chunk : chunks) {
        if (chunk.type == "iTXt") {
            if (old.type == "iTXt" &&
                ItxtKeyword(png.mid(old.dataStart, old.dataSize)) == ItxtKeyword(chunk.data))
                return true;
        } else if (old.type == chunk.type || (chunk.type == "iCCP" && old.type == "sRGB")) {
            return true;
        }
    }
    return false;
}

}  // namespace

QByteArray WithPngChunks(const QByteArray& png, const QList<PngChunk>& chunks) {
    if (!png.startsWith(kSignature)) return {};
    const QList<ChunkAt> found = Chunks(png);
    if (found.isEmpty() || found.front().type != "IHDR") return {};
    QByteArray out = png.left(found.front().start + found.front().size);
    for (const PngChunk& chunk : chunks)
        if (chunk.type.size() == 4) out += Encoded(chunk);
    for (qsizetype i = 1; i < found.size(); ++i)
        if (!Replaced(png, found[i], chunks)) out += png.mid(found[i].start, found[i].size);
    return out + png.mid(found.back().start + found.back().size);
}

QByteArray PngChunkData(const QByteArray& png, const QByteArray& type) {
    if (!png.startsWith(kSignature)) return {};
    for (const ChunkAt& chunk : Chunks(png))
        if (chunk.type == type) return png.mid(chunk.dataStart, chunk.dataSize);
    return {};
}

PngChunk IccChunk(const QByteArray& profile) {
    uLongf size = compressBound(uLong(profile.size()));
    QByteArray packed(qsizetype(size), '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                  reinterpret_cast<const Bytef*>(profile.constData()), uLong(profile.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return {};
    packed.resize(qsizetype(size));
    // The profile's name, its end, compression method 0 (zlib), the compressed profile.
    return {"iCCP", QByteArray("ICC profile") + '\0' + '\0' + packed};
}

PngChunk ExifChunk(const QByteArray& tiff) {
    return {"eXIf", tiff};
}

PngChunk XmpChunk(const QByteArray& packet) {
    // Keyword, its end, not compressed, method 0, no language, no translated keyword.
    return {"iTXt", kXmpKeyword + '\0' + '\0' + '\0' + '\0' + '\0' + packet};
}
