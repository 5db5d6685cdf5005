#pragma once
#include <QImage>
#include <QRect>
#include <QRgb>

#include "inpaint/PictureAccess.h"
#include "platform/ViewMapping.h"

class PictureBox;

// A big picture edited on a reduced view ("Big Image File" -> Yes): the full-size picture behind
// the view, in two layers like a picture box's (committed, and as the last run left it), and the
// rule that carries the marks painted on the view to full size. Removal, undo and the save step
// work on the full size; the view only shows it.
class FullSizePicture {
public:
    FullSizePicture() = default;
    FullSizePicture(const QImage& full, QSize view);

    bool Active() const { return !committed_.isNull(); }
    const ViewMapping& Mapping() const { return mapping_; }
    const QImage& Committed() const { return committed_; }
    const QImage& Working() const { return working_; }

    // The working full-size image with the view's marks (pixels of the marker colour that the
    // view's picture does not have) scaled up over every full-size pixel under them.
    QImage WithMarks(const QImage& viewImage, const QImage& viewPicture) const;
    // A run ended: done, or stopped part-way.
    void SetWorking(const QImage& image) { working_ = image; }
    void Commit() { committed_ = working_; }
    // Undo: both layers become this full-size picture.
    void Restore(const QImage& full) { committed_ = working_ = full; }
    // The view of a full-size image, reduced the way loading reduces it.
    QImage Reduced(const QImage& full) const;

private:
    ViewMapping mapping_;
    QImage committed_;
    QImage working_;
};

// The engine's view of a full-size image shown reduced in a picture box: it reads and writes
// the full-size image; what it writes shows in the box, reduced, at each redraw, and the commit
// puts the whole reduced result into the box and commits it there too.
class ReducedViewAccess : public inpaint::PictureAccess {
public:
    ReducedViewAccess(QImage& full, PictureBox& view, const FullSizePicture& picture)
        : full_(full), view_(view), picture_(picture) {}
    int Width() const override { return full_.width(); }
    int Height() const override { return full_.height(); }
    void ReadPixels(std::uint32_t* dst) const override;
    void WritePixels(int x, int y, int w, int h, const std::uint32_t* src, int stride) override;
    void Redraw() override;
    void Commit() override;
    bool Committed() const { return committed_; }

private:
    void ShowReduced(const QRect& fullRect);

    QImage& full_;
    PictureBox& view_;
    const FullSizePicture& picture_;
    QRect written_;
    bool committed_ = false;
};
