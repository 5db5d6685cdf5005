#pragma once
// The reference inpainting engine: every operation of the fill written out plainly, one small
// function each, in the evaluation order that fixes its result bit for bit. Any faster engine is
// checked against this one and must give the same pixels and the same step count on any picture.
// Where and why this engine departs from the textbook algorithm is listed in ReferenceEngine.cpp.
#include <cstdint>
#include <vector>

#include "inpaint/Inpainting.h"
#include "inpaint/PictureAccess.h"

namespace inpaint::reference {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Smallest box holding every pixel to be filled at the start of a run; 16-bit like the picture
// size limit it reflects.
struct TargetBox {
    std::int16_t Left = 0, Right = 0, Top = 0, Bottom = 0;
};

// Inclusive range of candidate source-patch centres.
struct SearchWindow {
    std::int32_t X0 = 0, X1 = 0, Y0 = 0, Y1 = 0;
};

struct Gradient {
    double gx = 0.0, gy = 0.0;
};

struct Normal {
    double a = 0.0, b = 0.0;
};

// FillMask values.
constexpr std::int16_t kKnown = 0;
constexpr std::int16_t kToFill = -1;
constexpr std::int16_t kFront = -2;

// Largest width and height a run accepts.
constexpr int kMaxSide = 32767;

// Grey value of a colour: (G*19267 + R*3735 + B*9765) / 32767, summed left to right.
double GreyOf(double red, double green, double blue);

// Throws InpaintError before anything is allocated when a run cannot even start.
void CheckRunArguments(const PictureAccess& source, const PictureAccess& target, int blockRadius,
                       int scanBorder);

// The state of one run and the operations on it. Public so that each operation can be tested.
class Run {
public:
    Run(Rgb marker, int blockRadius, int scanBorder);

    // Everything a run does before its fill loop: reads the picture, builds the planes, marks the
    // region, sets the search window, finds the source centres and the first priorities.
    // Stops after reading when the picture is empty. std::bad_alloc passes through.
    void Prepare(PictureAccess& source);
    bool Empty() const { return W == 0 || H == 0; }

    // Pixel surface and colour planes.
    void ReadSurface(PictureAccess& source);  // sizes W and H, allocates and fills PixelSurface
    void WriteSurface(PictureAccess& target) const;
    void CreatePlanes();
    void BuildColourPlanes();
    void BuildGreyPlane();
    void CopyPixel(int from, int to);
    bool HasMarkerColour(int p) const;

    // Region, front and windows.
    void InitTargetBox();
    void MarkRegion();
    bool IsFrontPixel(int x, int y) const;
    void SetSearchWindow();
    void SetInitialPriorities();
    bool AnyTargetLeft() const;

    // The fill step.
    double ConfidenceTerm(int x, int y) const;
    Gradient GreyGradient(int x, int y) const;
    Normal FrontNormal(int x, int y) const;
    double DataTerm(int x, int y) const;
    double PatchPriority(int x, int y) const;
    Point ChooseNextTarget() const;
    void UpdatePriorities(int tx, int ty);
    void FindSourceCentres();
    void FindBestSource(int tx, int ty);
    // Returns how many pixels the copy turned from the marker colour into another colour.
    int CopyPatch(int tx, int ty, int sx, int sy, double c);
    void UpdateFront(int tx, int ty);

    int Position(int x, int y) const { return y * W + x; }
    bool Inside(int x, int y) const { return x >= 0 && x < W && y >= 0 && y < H; }

    // Marker colour and settings.
    std::uint8_t MarkerRed, MarkerGreen, MarkerBlue;
    int BlockRadius;
    int ScanBorder;

    // Picture size and planes, each indexed by the flat position y * W + x.
    int W = 0;
    int H = 0;
    std::vector<std::uint32_t> PixelSurface;
    std::vector<std::uint32_t> PixelPlane;
    std::vector<double> RedPlane, GreenPlane, BluePlane, GreyPlane;
    std::vector<std::int16_t> FillMask;
    std::vector<double> ConfidencePlane;
    std::vector<double> PriorityPlane;
    std::vector<bool> SourceValid;

    TargetBox Box;
    SearchWindow Window;
    Point Source;  // source centre found by the last step, kept for the next one
};

int InpaintPicture(PictureAccess& source, PictureAccess& target, const InpaintOptions& options,
                   const RunHooks& hooks = {});

}  // namespace inpaint::reference
