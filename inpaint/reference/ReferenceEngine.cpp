// The reference inpainting engine.
//
// How this fill differs from the textbook exemplar-based algorithm (all of it is intended and
// fixes the result; a faster engine must do exactly the same):
//  - Neighbours are flat positions p+1, p-1, p+W, p-W: the left neighbour of a pixel in column 0 is
//    the last pixel of the row above, the right neighbour of the last column the first pixel of the
//    row below. Pixels on the picture's edge are always on the fill front.
//  - The confidence of a patch is divided by the full patch area (2r+1)^2, even where the picture's
//    edge cuts the patch.
//  - The data term takes the single strongest grey gradient among the known pixels of the patch
//    whose four flat neighbours are known (first of equal maxima in walking order), and the front
//    normal from the first two front pixels among the eight neighbours, (dy, dx) / length, or
//    (0.6, 0.8) when there are fewer than two. Grey weights: green 19267, red 3735, blue 9765.
//  - Source centres are those whose whole patch lies inside the picture and was known at the start
//    of the run, inside SearchWindow (TargetBox grown by ScanBorder). Matching sums squared colour
//    differences over the known target pixels, leaving out row 0 and column 0 of the picture; only
//    a strictly smaller sum below 99999999 replaces the best, else the last step's centre is
//    reused, (0, 0) at the first step.
//  - Filled pixels take the confidence of their step. After a step the front is re-derived only
//    within r+2 of the target and priorities only within r+3; TargetBox never shrinks.
//  - Every computation is in 64-bit floating point in the order written, without fused
//    multiply-add, so results do not depend on the compiler.
//
// Where this engine departs from the written run so that a run is always sound:
//  1. Arguments are checked before anything is allocated, in this order, each throwing
//  InpaintError:
//     a. BlockRadius outside 0 .. 32767 or ScanBorder below 0: BadArgument.
//     b. Source and target of different width or height: SizeMismatch.
//     c. Width or height below 0 or above 32767, or width * height * 4 above 2147483647:
//        PictureTooLarge.
//     d. std::bad_alloc while creating the surface or the planes: OutOfMemory.
//     Nothing is written to the target on these paths.
//  2. A picture of width or height 0 has no marked pixel: it is written back and committed
//     unchanged and the result is 0 (the written run would look at position (0, 0) of it).
//  3. No progress: when the CopyPatch of a step turns no pixel from the marker colour into another
//     colour (only possible when no source centre has been found yet and the patch around (0, 0)
//     is itself marked), the run ends right after that copy, before its yield, by throwing
//     InpaintError(NoSourceArea). That step is not traced, nothing more is written back and
//     nothing is committed; with live display the target shows the last completed step.
//  4. A stop is also looked at after the yield that follows the live-display redraw, so a stop
//     seen there ends the run (result 0, no commit) even after the last step.
//  5. The choice of the next pixel always finds a front pixel while any pixel is left to fill
//     (every row of marked pixels ends in a front pixel inside TargetBox); should it ever not,
//     that is a programming error (std::logic_error).
// ScanBorder is added and subtracted in 64-bit and clamped, so any value is safe.

#include "inpaint/reference/ReferenceEngine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>

namespace inpaint::reference {

namespace {

std::uint8_t ByteOf(std::uint32_t pixel, int byte) {
    return static_cast<std::uint8_t>((pixel >> (8 * byte)) & 0xffu);
}

double Red(std::uint32_t pixel) {
    return ByteOf(pixel, 2);
}
double Green(std::uint32_t pixel) {
    return ByteOf(pixel, 1);
}
double Blue(std::uint32_t pixel) {
    return ByteOf(pixel, 0);
}

double Square(double v) {
    return v * v;
}

// Lets pending events run, then tells whether the run must stop.
bool YieldAndCheckStop(const RunHooks& hooks) {
    if (hooks.yield) hooks.yield();
    return hooks.stop.stop_requested();
}

void PrepareOrThrow(Run& run, PictureAccess& source) {
    try {
        run.Prepare(source);
    } catch (const std::bad_alloc&) {
        throw InpaintError(InpaintError::Reason::OutOfMemory,
                           "Not enough memory to remove the marks from this picture.");
    }
}

}  // namespace

double GreyOf(double red, double green, double blue) {
    return (green * 19267.0 + red * 3735.0 + blue * 9765.0) / 32767.0;
}

void CheckRunArguments(const PictureAccess& source, const PictureAccess& target, int blockRadius,
                       int scanBorder) {
    if (blockRadius < 0 || blockRadius > kMaxSide || scanBorder < 0)
        throw InpaintError(InpaintError::Reason::BadArgument,
                           "Block size or scan border out of range.");
    const int w = source.Width();
    const int h = source.Height();
    if (target.Width() != w || target.Height() != h)
        throw InpaintError(InpaintError::Reason::SizeMismatch,
                           "The source and target pictures differ in size.");
    const std::int64_t bytes = static_cast<std::int64_t>(w) * h * 4;
    if (w < 0 || h < 0 || w > kMaxSide || h > kMaxSide ||
        bytes > std::numeric_limits<std::int32_t>::max())
        throw InpaintError(InpaintError::Reason::PictureTooLarge,
                           "The picture is too large to remove marks from: at most 32767 pixels "
                           "wide and high and 536870911 pixels in all.");
}

Run::Run(Rgb marker, int blockRadius, int scanBorder)
    : MarkerRed(marker.red),
      MarkerGreen(marker.green),
      MarkerBlue(marker.blue),
      BlockRadius(blockRadius),
      ScanBorder(scanBorder) {}

void Run::Prepare(PictureAccess& source) {
    ReadSurface(source);
    CreatePlanes();
    if (Empty()) return;
    InitTargetBox();
    BuildColourPlanes();
    BuildGreyPlane();
    MarkRegion();
    SetSearchWindow();
    FindSourceCentres();
    SetInitialPriorities();
}

// ---- Pixel surface and colour planes ----

void Run::ReadSurface(PictureAccess& source) {
    W = source.Width();
    H = source.Height();
    PixelSurface.assign(static_cast<std::size_t>(W) * static_cast<std::size_t>(H), 0u);
    source.ReadPixels(PixelSurface.data());
}

void Run::WriteSurface(PictureAccess& target) const {
    target.WritePixels(0, 0, W, H, PixelSurface.data(), W);
}

void Run::CreatePlanes() {
    const std::size_t n = static_cast<std::size_t>(W) * static_cast<std::size_t>(H);
    FillMask.assign(n, 0);
    ConfidencePlane.assign(n, 0.0);
    PriorityPlane.assign(n, 0.0);
    GreyPlane.assign(n, 0.0);
    SourceValid.assign(n, false);
    PixelPlane.assign(n, 0u);
    RedPlane.assign(n, 0.0);
    GreenPlane.assign(n, 0.0);
    BluePlane.assign(n, 0.0);
}

void Run::BuildColourPlanes() {
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const int p = Position(x, y);
            const std::uint32_t pixel = PixelSurface[p];
            PixelPlane[p] = pixel;
            RedPlane[p] = Red(pixel);
            GreenPlane[p] = Green(pixel);
            BluePlane[p] = Blue(pixel);
        }
    }
}

void Run::BuildGreyPlane() {
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const int p = Position(x, y);
            const std::uint32_t pixel = PixelSurface[p];
            GreyPlane[p] = GreyOf(Red(pixel), Green(pixel), Blue(pixel));
        }
    }
}

void Run::CopyPixel(int from, int to) {
    PixelSurface[to] = PixelPlane[from];
    PixelPlane[to] = PixelPlane[from];
    RedPlane[to] = RedPlane[from];
    GreenPlane[to] = GreenPlane[from];
    BluePlane[to] = BluePlane[from];
    GreyPlane[to] = GreyOf(RedPlane[to], GreenPlane[to], BluePlane[to]);
}

bool Run::HasMarkerColour(int p) const {
    const std::uint32_t pixel = PixelSurface[p];
    return ByteOf(pixel, 2) == MarkerRed && ByteOf(pixel, 1) == MarkerGreen &&
           ByteOf(pixel, 0) == MarkerBlue;
}

// ---- Region, front and windows ----

void Run::InitTargetBox() {
    Box.Top = static_cast<std::int16_t>(H);
    Box.Bottom = 0;
    Box.Left = static_cast<std::int16_t>(W);
    Box.Right = 0;
}

// The front rule, for a pixel whose FillMask is -1.
bool Run::IsFrontPixel(int x, int y) const {
    if (x == 0 || x == W - 1 || y == 0 || y == H - 1) return true;
    const int p = Position(x, y);
    const int count = W * H;
    for (const int q : {p + 1, p - 1, p + W, p - W}) {
        if (q < 0 || q >= count) return true;
        if (FillMask[q] == kKnown) return true;
    }
    return false;
}

void Run::MarkRegion() {
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const int p = Position(x, y);
            if (HasMarkerColour(p)) {
                FillMask[p] = kToFill;
                ConfidencePlane[p] = 0.0;
            } else {
                FillMask[p] = kKnown;
                ConfidencePlane[p] = 1.0;
            }
        }
    }
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const int p = Position(x, y);
            if (FillMask[p] != kToFill) continue;
            if (x < Box.Left) Box.Left = static_cast<std::int16_t>(x);
            if (x > Box.Right) Box.Right = static_cast<std::int16_t>(x);
            if (y > Box.Bottom) Box.Bottom = static_cast<std::int16_t>(y);
            if (y < Box.Top) Box.Top = static_cast<std::int16_t>(y);
            if (IsFrontPixel(x, y)) FillMask[p] = kFront;
        }
    }
}

void Run::SetSearchWindow() {
    const std::int64_t b = ScanBorder;
    Window.X0 = static_cast<std::int32_t>(std::max<std::int64_t>(Box.Left - b, 0));
    Window.X1 = static_cast<std::int32_t>(std::min<std::int64_t>(Box.Right + b, W - 1));
    Window.Y0 = static_cast<std::int32_t>(std::max<std::int64_t>(Box.Top - b, 0));
    Window.Y1 = static_cast<std::int32_t>(std::min<std::int64_t>(Box.Bottom + b, H - 1));
}

void Run::SetInitialPriorities() {
    for (int y = Box.Top; y <= Box.Bottom; ++y)
        for (int x = Box.Left; x <= Box.Right; ++x)
            if (FillMask[Position(x, y)] == kFront)
                PriorityPlane[Position(x, y)] = PatchPriority(x, y);
}

bool Run::AnyTargetLeft() const {
    for (int y = Box.Top; y <= Box.Bottom; ++y)
        for (int x = Box.Left; x <= Box.Right; ++x)
            if (FillMask[Position(x, y)] < 0) return true;
    return false;
}

// ---- The fill step ----

double Run::ConfidenceTerm(int x, int y) const {
    const int r = BlockRadius;
    double sum = 0.0;
    for (int qy = std::max(y - r, 0); qy <= std::min(y + r, H - 1); ++qy)
        for (int qx = std::max(x - r, 0); qx <= std::min(x + r, W - 1); ++qx)
            sum = sum + ConfidencePlane[Position(qx, qy)];
    const double side = 2.0 * r + 1.0;
    return sum / (side * side);
}

Gradient Run::GreyGradient(int x, int y) const {
    const int p = Position(x, y);
    const std::vector<double>& g = GreyPlane;
    Gradient d;
    d.gx = (g[p + 1] - g[p - 1]) / 2.0;
    d.gy = (g[p + W] - g[p - W]) / 2.0;
    if (x == 0) d.gx = g[p + 1] - g[p];
    if (x == W - 1) d.gx = g[p] - g[p - 1];
    return d;
}

Normal Run::FrontNormal(int x, int y) const {
    Point listed[8];
    int count = 0;
    for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, H - 1); ++ny)
        for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, W - 1); ++nx)
            if (!(nx == x && ny == y) && FillMask[Position(nx, ny)] == kFront)
                listed[count++] = Point{nx, ny};
    if (count < 2) return Normal{0.6, 0.8};
    const int dx = listed[1].x - listed[0].x;
    const int dy = listed[1].y - listed[0].y;
    const double len = std::sqrt(static_cast<double>(dy) * dy + static_cast<double>(dx) * dx);
    Normal n;
    n.a = dy == 0 ? 0.0 : dy / len;
    n.b = dx == 0 ? 0.0 : dx / len;
    return n;
}

double Run::DataTerm(int x, int y) const {
    const int r = BlockRadius;
    const int count = W * H;
    double best = 0.0;
    Gradient strongest;
    for (int qy = std::max(y - r, 0); qy <= std::min(y + r, H - 1); ++qy) {
        for (int qx = std::max(x - r, 0); qx <= std::min(x + r, W - 1); ++qx) {
            const int q = Position(qx, qy);
            if (FillMask[q] < 0) continue;
            bool qualifies = true;
            for (const int n : {q + 1, q - 1, q + W, q - W})
                if (n < 0 || n >= count || FillMask[n] < 0) qualifies = false;
            if (!qualifies) continue;
            const Gradient d = GreyGradient(qx, qy);
            const double m = d.gx * d.gx + d.gy * d.gy;
            if (m > best) {
                best = m;
                strongest = d;
            }
        }
    }
    const Normal n = FrontNormal(x, y);
    return std::fabs((n.a * strongest.gy + n.b * (-strongest.gx)) / 255.0);
}

double Run::PatchPriority(int x, int y) const {
    return ConfidenceTerm(x, y) * DataTerm(x, y);
}

Point Run::ChooseNextTarget() const {
    bool found = false;
    double best = 0.0;
    Point chosen;
    for (int y = Box.Top; y <= Box.Bottom; ++y) {
        for (int x = Box.Left; x <= Box.Right; ++x) {
            const int p = Position(x, y);
            if (FillMask[p] != kFront) continue;
            if (!found || PriorityPlane[p] > best) {
                found = true;
                best = PriorityPlane[p];
                chosen = Point{x, y};
            }
        }
    }
    if (!found) throw std::logic_error("no front pixel while pixels are left to fill");
    return chosen;
}

void Run::UpdatePriorities(int tx, int ty) {
    const int reach = BlockRadius + 3;
    for (int y = std::max(ty - reach, 0); y <= std::min(ty + reach, H - 1); ++y)
        for (int x = std::max(tx - reach, 0); x <= std::min(tx + reach, W - 1); ++x)
            if (FillMask[Position(x, y)] == kFront)
                PriorityPlane[Position(x, y)] = PatchPriority(x, y);
}

void Run::FindSourceCentres() {
    const int r = BlockRadius;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            bool valid = r <= x && x < W - r && r <= y && y < H - r;
            for (int qy = y - r; valid && qy <= y + r; ++qy)
                for (int qx = x - r; valid && qx <= x + r; ++qx)
                    if (FillMask[Position(qx, qy)] != kKnown) valid = false;
            SourceValid[Position(x, y)] = valid;
        }
    }
}

void Run::FindBestSource(int tx, int ty) {
    const int r = BlockRadius;
    double best = 99999999.0;
    for (int cy = Window.Y0; cy <= Window.Y1; ++cy) {
        for (int cx = Window.X0; cx <= Window.X1; ++cx) {
            if (!SourceValid[Position(cx, cy)]) continue;
            double sum = 0.0;
            for (int dy = -r; dy <= r; ++dy) {
                const int ty2 = ty + dy;
                if (!(0 < ty2 && ty2 < H)) continue;
                for (int dx = -r; dx <= r; ++dx) {
                    const int tx2 = tx + dx;
                    if (!(0 < tx2 && tx2 < W)) continue;
                    const int t = Position(tx2, ty2);
                    const int s = Position(cx + dx, cy + dy);
                    if (FillMask[t] < 0) continue;
                    sum = ((Square(RedPlane[t] - RedPlane[s]) + sum) +
                           Square(GreenPlane[t] - GreenPlane[s])) +
                          Square(BluePlane[t] - BluePlane[s]);
                }
            }
            if (sum < best) {
                best = sum;
                Source = Point{cx, cy};
            }
        }
    }
}

int Run::CopyPatch(int tx, int ty, int sx, int sy, double c) {
    const int r = BlockRadius;
    int filled = 0;
    for (int dy = -r; dy <= r; ++dy) {
        for (int dx = -r; dx <= r; ++dx) {
            if (!Inside(tx + dx, ty + dy) || !Inside(sx + dx, sy + dy)) continue;
            const int t = Position(tx + dx, ty + dy);
            const int s = Position(sx + dx, sy + dy);
            if (FillMask[t] >= 0) continue;
            const bool wasMarked = HasMarkerColour(t);
            CopyPixel(s, t);
            ConfidencePlane[t] = c;
            if (wasMarked && !HasMarkerColour(t)) ++filled;
        }
    }
    return filled;
}

void Run::UpdateFront(int tx, int ty) {
    const int reach = BlockRadius + 2;
    const int top = std::max(ty - reach, 0), bottom = std::min(ty + reach, H - 1);
    const int left = std::max(tx - reach, 0), right = std::min(tx + reach, W - 1);
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            FillMask[Position(x, y)] = HasMarkerColour(Position(x, y)) ? kToFill : kKnown;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            if (FillMask[Position(x, y)] == kToFill && IsFrontPixel(x, y))
                FillMask[Position(x, y)] = kFront;
}

// ---- The run ----

int InpaintPicture(PictureAccess& source, PictureAccess& target, const InpaintOptions& options,
                   const RunHooks& hooks) {
    CheckRunArguments(source, target, options.blockRadius, options.scanBorder);
    Run run(options.marker, options.blockRadius, options.scanBorder);
    PrepareOrThrow(run, source);

    int step = 0;
    while (!run.Empty() && run.AnyTargetLeft()) {
        ++step;
        const Point t = run.ChooseNextTarget();
        if (YieldAndCheckStop(hooks)) return 0;
        run.FindBestSource(t.x, t.y);
        if (YieldAndCheckStop(hooks)) return 0;
        const double c = run.ConfidenceTerm(t.x, t.y);
        if (run.CopyPatch(t.x, t.y, run.Source.x, run.Source.y, c) == 0)
            throw InpaintError(InpaintError::Reason::NoSourceArea,
                               "No source area to copy from: mark a smaller area or raise Scan "
                               "Border.");
        if (YieldAndCheckStop(hooks)) return 0;
        run.UpdateFront(t.x, t.y);
        if (YieldAndCheckStop(hooks)) return 0;
        run.UpdatePriorities(t.x, t.y);
        if (hooks.trace) hooks.trace(StepTrace{step, t.x, t.y, run.Source.x, run.Source.y});
        if (YieldAndCheckStop(hooks)) return 0;
        if (options.liveDisplay) {
            run.WriteSurface(target);
            target.Redraw();
            if (YieldAndCheckStop(hooks)) return 0;
        }
    }
    run.WriteSurface(target);
    target.Commit();
    target.Redraw();
    return step;
}

}  // namespace inpaint::reference
