#include "platform/ViewMapping.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
// floor(a * num / den) and ceil(a * num / den) for den > 0, in 64 bits: pictures reach 100
// megapixels and views 16 million pixels a side.
std::int64_t FloorScale(std::int64_t a, std::int64_t num, std::int64_t den) {
    const std::int64_t p = a * num;
    return p >= 0 ? p / den : -((-p + den - 1) / den);
}

std::int64_t CeilScale(std::int64_t a, std::int64_t num, std::int64_t den) {
    return -FloorScale(-a, num, den);
}

// The pixels of the `to` grid that overlap the pixels `r` of the `from` grid, the two grids
// spanning the same picture.
QRect Covering(const QRect& r, QSize from, QSize to) {
    if (r.isEmpty() || from.isEmpty()) return r;
    const auto left = FloorScale(r.left(), to.width(), from.width());
    const auto top = FloorScale(r.top(), to.height(), from.height());
    const auto right = CeilScale(std::int64_t(r.right()) + 1, to.width(), from.width());
    const auto bottom = CeilScale(std::int64_t(r.bottom()) + 1, to.height(), from.height());
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

int ZoomedLength(int length, double zoom) {
    return std::max(1, static_cast<int>(std::lround(length * zoom)));
}
}  // namespace

ViewMapping::ViewMapping(QSize picture, QSize view) : picture_(picture), view_(view) {
    if (picture_.isEmpty() || view_.isEmpty()) picture_ = view_ = QSize();
}

ViewMapping ViewMapping::Zoomed(QSize picture, double zoom) {
    if (picture.isEmpty()) return {};
    return {picture, {ZoomedLength(picture.width(), zoom), ZoomedLength(picture.height(), zoom)}};
}

double ViewMapping::FitZoom(QSize picture, QSize room) {
    if (picture.isEmpty() || room.isEmpty()) return 1.0;
    return std::min(
        {1.0, double(room.width()) / picture.width(), double(room.height()) / picture.height()});
}

double ViewMapping::ScaleX() const {
    return picture_.isEmpty() ? 1.0 : double(view_.width()) / picture_.width();
}

double ViewMapping::ScaleY() const {
    return picture_.isEmpty() ? 1.0 : double(view_.height()) / picture_.height();
}

QPoint ViewMapping::ToPicture(QPointF view) const {
    if (picture_.isEmpty()) return {int(std::floor(view.x())), int(std::floor(view.y()))};
    return {int(std::floor(view.x() * picture_.width() / view_.width())),
            int(std::floor(view.y() * picture_.height() / view_.height()))};
}

QPointF ViewMapping::ToView(QPointF picture) const {
    return {picture.x() * ScaleX(), picture.y() * ScaleY()};
}

QRect ViewMapping::ViewOf(const QRect& r) const {
    return Covering(r, picture_, view_);
}

QRect ViewMapping::PictureUnder(const QRect& r) const {
    return Covering(r, view_, picture_);
}
