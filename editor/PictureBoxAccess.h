#pragma once
#include <QElapsedTimer>

#include "inpaint/PictureAccess.h"
#include "platform/PictureBox.h"

// The engine's view of a picture box: reads and writes its persistent image.
//
// With live display the engine asks for a redraw after every step, hundreds of times a second,
// far more often than a screen shows a new frame. A redraw is therefore done at most once per
// frame of the box's screen: what is written meanwhile stays marked and goes out with the next
// redraw. The redraw after the commit at the end of a run is always done, and so is a pending one
// when the access ends (a stopped run shows every step it completed).
class PictureBoxAccess : public inpaint::PictureAccess {
public:
    explicit PictureBoxAccess(PictureBox& box);
    ~PictureBoxAccess() override;
    PictureBoxAccess(const PictureBoxAccess&) = delete;
    PictureBoxAccess& operator=(const PictureBoxAccess&) = delete;

    int Width() const override;
    int Height() const override;
    void ReadPixels(std::uint32_t* dst) const override;
    void WritePixels(int x, int y, int w, int h, const std::uint32_t* src, int stride) override;
    void Redraw() override;
    void Commit() override;

private:
    PictureBox& box_;
    qint64 frameNs_;
    QElapsedTimer sinceRedraw_;  // invalid: the next redraw is done at once
};
