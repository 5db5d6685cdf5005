// brisvane-inpaint's command line.
#include "fuzz/FuzzSupport.h"
#include "tools/ToolOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const tool::Options o = tool::Parse(fuzz::Arguments(data, size));
        if (o.block < 2 || o.block > 32 || o.border < 10 || o.border > 500) __builtin_trap();
        if (o.in.isNull() || o.out.isNull() || o.outFormat.isEmpty()) __builtin_trap();
        for (const QRect& box : o.boxes)
            if (box.x() < 0 || box.y() < 0 || box.width() < 1 || box.height() < 1) __builtin_trap();
    } catch (const tool::Failure& f) {
        if (f.code != tool::kExitUsage || f.message.isEmpty()) __builtin_trap();
    }
    return 0;
}
