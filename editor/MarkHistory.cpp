#include "editor/MarkHistory.h"

void MarkHistory::Remember(const QImage& image, const QRect& area) {
    const QRect kept = area.intersected(image.rect());
    if (kept.isEmpty()) return;
    Patch patch{kept.topLeft(), image.copy(kept)};
    keptBytes_ += std::size_t(patch.pixels.sizeInBytes());
    patches_.push_back(std::move(patch));
    while (keptBytes_ > MaxKeptBytes && patches_.size() > 1) {
        keptBytes_ -= std::size_t(patches_.front().pixels.sizeInBytes());
        patches_.pop_front();
    }
}

std::optional<MarkHistory::Patch> MarkHistory::TakeLast() {
    if (patches_.empty()) return std::nullopt;
    Patch last = std::move(patches_.back());
    patches_.pop_back();
    keptBytes_ -= std::size_t(last.pixels.sizeInBytes());
    return last;
}

void MarkHistory::Forget() {
    patches_.clear();
    keptBytes_ = 0;
}
