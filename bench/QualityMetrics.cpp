#include "bench/QualityMetrics.h"

#include <algorithm>
#include <cmath>

namespace bench {

namespace {

constexpr int kSsimRadius = 5;  // an 11 x 11 window
constexpr double kSsimSigma = 1.5;
constexpr int kSsimContext = 24;  // windows near the box's edge see this much of the surroundings
constexpr double kC1 = (0.01 * 255) * (0.01 * 255);
constexpr double kC2 = (0.03 * 255) * (0.03 * 255);

double Channel(std::uint32_t pixel, int channel) {
    return static_cast<double>((pixel >> (8 * channel)) & 255u);
}

double Luma(std::uint32_t pixel) {
    return 0.299 * Channel(pixel, 2) + 0.587 * Channel(pixel, 1) + 0.114 * Channel(pixel, 0);
}

double Psnr(const Pixels& a, const Pixels& b, const Box& box) {
    double sum = 0.0;
    for (int y = box.y0; y < box.y1; ++y) {
        for (int x = box.x0; x < box.x1; ++x) {
            for (int c = 0; c < 3; ++c) {
                const double d = Channel(a.At(x, y), c) - Channel(b.At(x, y), c);
                sum += d * d;
            }
        }
    }
    const double mse = sum / (3.0 * (box.x1 - box.x0) * (box.y1 - box.y0));
    return mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// A plane of doubles over a region, for the separable Gaussian filter.
struct Plane {
    int width = 0, height = 0;
    std::vector<double> v;
    double& At(int x, int y) { return v[static_cast<std::size_t>(y) * width + x]; }
};

// Gaussian-weighted local mean; the window is cut (and renormalised) at the region's edge, which
// the box's pixels never reach.
Plane Blur(const Plane& in, const std::vector<double>& kernel) {
    Plane across = in, out = in;
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            double sum = 0.0, weight = 0.0;
            for (int k = -kSsimRadius; k <= kSsimRadius; ++k) {
                const int xx = x + k;
                if (xx < 0 || xx >= in.width) continue;
                sum += kernel[k + kSsimRadius] * in.v[static_cast<std::size_t>(y) * in.width + xx];
                weight += kernel[k + kSsimRadius];
            }
            across.At(x, y) = sum / weight;
        }
    }
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            double sum = 0.0, weight = 0.0;
            for (int k = -kSsimRadius; k <= kSsimRadius; ++k) {
                const int yy = y + k;
                if (yy < 0 || yy >= in.height) continue;
                sum += kernel[k + kSsimRadius] * across.At(x, yy);
                weight += kernel[k + kSsimRadius];
            }
            out.At(x, y) = sum / weight;
        }
    }
    return out;
}

double Ssim(const Pixels& a, const Pixels& b, const Box& box) {
    const Box grown{std::max(box.x0 - kSsimContext, 0), std::max(box.y0 - kSsimContext, 0),
                    std::min(box.x1 + kSsimContext, a.width),
                    std::min(box.y1 + kSsimContext, a.height)};
    std::vector<double> kernel;
    for (int k = -kSsimRadius; k <= kSsimRadius; ++k)
        kernel.push_back(std::exp(-k * k / (2 * kSsimSigma * kSsimSigma)));
    const int w = grown.x1 - grown.x0, h = grown.y1 - grown.y0;
    double total = 0.0;
    for (int c = 0; c < 3; ++c) {
        Plane pa{w, h, std::vector<double>(static_cast<std::size_t>(w) * h)};
        Plane pb = pa, aa = pa, bb = pa, ab = pa;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const double va = Channel(a.At(grown.x0 + x, grown.y0 + y), c);
                const double vb = Channel(b.At(grown.x0 + x, grown.y0 + y), c);
                pa.At(x, y) = va;
                pb.At(x, y) = vb;
                aa.At(x, y) = va * va;
                bb.At(x, y) = vb * vb;
                ab.At(x, y) = va * vb;
            }
        }
        Plane ma = Blur(pa, kernel), mb = Blur(pb, kernel);
        Plane saa = Blur(aa, kernel), sbb = Blur(bb, kernel), sab = Blur(ab, kernel);
        double sum = 0.0;
        for (int y = box.y0; y < box.y1; ++y) {
            for (int x = box.x0; x < box.x1; ++x) {
                const int lx = x - grown.x0, ly = y - grown.y0;
                const double mua = ma.At(lx, ly), mub = mb.At(lx, ly);
                const double va = saa.At(lx, ly) - mua * mua, vb = sbb.At(lx, ly) - mub * mub;
                const double cov = sab.At(lx, ly) - mua * mub;
                sum += ((2 * mua * mub + kC1) * (2 * cov + kC2)) /
                       ((mua * mua + mub * mub + kC1) * (va + vb + kC2));
            }
        }
        total += sum / (static_cast<double>(box.x1 - box.x0) * (box.y1 - box.y0));
    }
    return total / 3.0;
}

// Mean luma gradient magnitude by central differences over the box's pixels (one-sided at the
// picture's edge).
double GradientEnergy(const Pixels& p, const Box& box) {
    double sum = 0.0;
    for (int y = box.y0; y < box.y1; ++y) {
        for (int x = box.x0; x < box.x1; ++x) {
            const int xl = std::max(x - 1, 0), xr = std::min(x + 1, p.width - 1);
            const int yu = std::max(y - 1, 0), yd = std::min(y + 1, p.height - 1);
            const double gx = (Luma(p.At(xr, y)) - Luma(p.At(xl, y))) / std::max(xr - xl, 1);
            const double gy = (Luma(p.At(x, yd)) - Luma(p.At(x, yu))) / std::max(yd - yu, 1);
            sum += std::sqrt(gx * gx + gy * gy);
        }
    }
    return sum / (static_cast<double>(box.x1 - box.x0) * (box.y1 - box.y0));
}

}  // namespace

Quality Measure(const Pixels& clean, const Pixels& filled, const Box& box) {
    Quality q;
    q.psnr = Psnr(clean, filled, box);
    q.ssim = Ssim(clean, filled, box);
    const double cleanEnergy = GradientEnergy(clean, box);
    q.gradientRatio = cleanEnergy > 0.0 ? GradientEnergy(filled, box) / cleanEnergy : 0.0;
    return q;
}

}  // namespace bench
