#include "inpaint/fast/PatchPixels.h"

#include <algorithm>
#include <utility>

namespace inpaint::fast {

void PatchPixels::Clear() {
    offsets_.clear();
    dx_.clear();
    dy_.clear();
    colours_.clear();
    lanes_.clear();
}

void PatchPixels::Add(int dx, int dy, int stride, std::uint32_t pixel) {
    const std::uint32_t colour = pixel & kColourBytes;
    offsets_.push_back(dy * stride + dx);
    dx_.push_back(dx);
    dy_.push_back(dy);
    colours_.push_back(colour);
    const auto blue = static_cast<std::int16_t>(colour & 255);
    const auto green = static_cast<std::int16_t>((colour >> 8) & 255);
    const auto red = static_cast<std::int16_t>((colour >> 16) & 255);
    for (int twice = 0; twice < 2; ++twice) {
        lanes_.push_back(blue);
        lanes_.push_back(green);
        lanes_.push_back(red);
        lanes_.push_back(0);
    }
}

void PatchPixels::PutOutliersFirst() {
    const int count = Count();
    if (count < 2) return;
    long long sum[3] = {0, 0, 0};
    for (const std::uint32_t c : colours_)
        for (int ch = 0; ch < 3; ++ch) sum[ch] += (c >> (8 * ch)) & 255;
    std::vector<std::pair<long long, int>> order;
    order.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        long long d = 0;
        for (int ch = 0; ch < 3; ++ch) {
            const long long v =
                static_cast<long long>((colours_[static_cast<std::size_t>(i)] >> (8 * ch)) & 255) *
                    count -
                sum[ch];
            d += v * v;
        }
        order.push_back({-d, i});
    }
    std::sort(order.begin(), order.end());
    PatchPixels sorted;
    for (const auto& entry : order) {
        const auto i = static_cast<std::size_t>(entry.second);
        sorted.offsets_.push_back(offsets_[i]);
        sorted.dx_.push_back(dx_[i]);
        sorted.dy_.push_back(dy_[i]);
        sorted.colours_.push_back(colours_[i]);
        sorted.lanes_.insert(sorted.lanes_.end(),
                             lanes_.begin() + static_cast<std::ptrdiff_t>(i * 8),
                             lanes_.begin() + static_cast<std::ptrdiff_t>(i * 8 + 8));
    }
    *this = std::move(sorted);
}

}  // namespace inpaint::fast
