// brisvane-convert's command line.
#include "converter/ConvertArguments.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString error;
    const std::optional<ConvertRequest> r =
        ParseConvertArguments(fuzz::Arguments(data, size), error);
    if (r.has_value() == !error.isEmpty()) __builtin_trap();  // a request xor a reason
    if (r && (r->target.isEmpty() || r->colours < 0 || r->colours > 256)) __builtin_trap();
    return 0;
}
