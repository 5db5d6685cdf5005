#pragma once
#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstddef>
#include <deque>
#include <optional>

// The marks painted since the last removal, load or paste, so they can be taken back one by one
// or all at once. Before each mark is painted the pixels it will cover are kept; giving them back
// newest first leaves the picture exactly as it was before the marks.
class MarkHistory {
public:
    // The pixels under one mark, as they were before it was painted.
    struct Patch {
        QPoint at;
        QImage pixels;
    };

    // What is kept is bounded: 256 MB holds every mark on a 40-megapixel photo several times
    // over; beyond it the oldest marks can no longer be taken back.
    static constexpr std::size_t MaxKeptBytes = std::size_t(256) << 20;

    // Keeps the pixels of `area` (clipped to the image) before a mark is painted over them.
    void Remember(const QImage& image, const QRect& area);
    // The newest mark's patch, removed from the history; nothing when empty.
    std::optional<Patch> TakeLast();
    // Every mark is forgotten: removed, or the picture replaced.
    void Forget();

private:
    std::deque<Patch> patches_;
    std::size_t keptBytes_ = 0;
};
