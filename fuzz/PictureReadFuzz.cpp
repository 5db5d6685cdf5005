// The picture loading path as a whole: format and size checks, decoding, end checks.
#include "fuzz/FuzzSupport.h"
#include "picture/PictureFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::StartApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size);
    JpegDataIsComplete(bytes);
    GifDataIsComplete(bytes);
    BmpDataIsComplete(bytes);
    // A small pixel budget keeps each run quick; the checks are the same at any budget.
    const PictureRead read = DecodePicture(bytes, 4'000'000);
    if (read.image.isNull() == read.problem.isEmpty()) __builtin_trap();  // a picture xor a reason
    if (!read.image.isNull() && qint64(read.image.width()) * read.image.height() > 4'000'000)
        __builtin_trap();
    return 0;
}
