#pragma once
#include "inpaint/PictureAccess.h"
#include "platform/PictureBox.h"

// The engine's view of a picture box: reads and writes its persistent image.
class PictureBoxAccess : public inpaint::PictureAccess {
public:
    explicit PictureBoxAccess(PictureBox& box) : box_(box) {}
    int Width() const override;
    int Height() const override;
    void ReadPixels(std::uint32_t* dst) const override;
    void WritePixels(int x, int y, int w, int h, const std::uint32_t* src, int stride) override;
    void Redraw() override;
    void Commit() override;

private:
    PictureBox& box_;
};
