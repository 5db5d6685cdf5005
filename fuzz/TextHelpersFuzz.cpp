// The settings' text-to-Boolean rule, the path helpers and the sample list's scrambling.
#include <stdexcept>

#include "common/PathHelpers.h"
#include "filelist/Samples.h"
#include "fuzz/FuzzSupport.h"
#include "platform/SettingsStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // First piece: the text; second: the key.
    const QList<QByteArray> pieces = fuzz::Bytes(data, size).split('\0');
    const QString text = QString::fromUtf8(pieces.value(0));
    const QString key = QString::fromUtf8(pieces.value(1));
    try {
        TextToBool(text);
    } catch (const std::runtime_error&) {
    }
    const QString collapsed = CollapseBackslashes(text);
    if (collapsed.size() > text.size()) __builtin_trap();
    const QString extension = ExtensionOf(text);
    if (!text.endsWith(extension)) __builtin_trap();
    if (FolderOf(text) + FileNameOf(text) != text) __builtin_trap();
    if (UnscrambleText(ScrambleText(text, key), key) != text) __builtin_trap();
    return 0;
}
