// The benchmark's scores, which every method it compares is measured with.
#include <QtTest>

#include <cmath>
#include <functional>

#include "bench/QualityMetrics.h"

using bench::Box;
using bench::Pixels;

namespace {

// A grey picture whose value at (x, y) is f(x, y), clamped to 0 .. 255.
Pixels Grey(int w, int h, const std::function<int(int, int)>& f) {
    Pixels p{w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * h)};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const auto v = static_cast<std::uint32_t>(std::clamp(f(x, y), 0, 255));
            p.data[static_cast<std::size_t>(y) * w + x] = v | (v << 8) | (v << 16);
        }
    }
    return p;
}

int Stripes(int x, int) {
    return x % 4 < 2 ? 80 : 160;
}

}  // namespace

class QualityMetricsTest : public QObject {
    Q_OBJECT

private slots:
    void Measure_Should_ScoreKnownDifferences_data() {
        QTest::addColumn<int>("change");  // what happens inside the box
        QTest::addColumn<double>("psnr");
        QTest::addColumn<double>("minSsim");
        QTest::addColumn<double>("maxSsim");
        QTest::addColumn<double>("gradientRatio");
        QTest::newRow("unchanged") << 0 << 99.0 << 1.0 << 1.0 << 1.0;
        // Every value 10 higher: MSE 100.
        QTest::newRow("brighter by 10")
            << 1 << 10 * std::log10(255.0 * 255.0 / 100) << 0.9 << 0.999 << 1.0;
        // The stripes' mean, 120, everywhere: MSE 1600, no gradient left but at the box's edge.
        QTest::newRow("blurred flat")
            << 2 << 10 * std::log10(255.0 * 255.0 / 1600) << 0.0 << 0.2 << 0.1;
    }

    void Measure_Should_ScoreKnownDifferences() {
        QFETCH(int, change);
        QFETCH(double, psnr);
        QFETCH(double, minSsim);
        QFETCH(double, maxSsim);
        QFETCH(double, gradientRatio);
        const Box box{40, 30, 80, 50};
        const Pixels clean = Grey(120, 90, Stripes);
        const Pixels filled = Grey(120, 90, [&](int x, int y) {
            const bool inside = x >= box.x0 && x < box.x1 && y >= box.y0 && y < box.y1;
            if (!inside || change == 0) return Stripes(x, y);
            return change == 1 ? Stripes(x, y) + 10 : 120;
        });
        const bench::Quality q = bench::Measure(clean, filled, box);
        QVERIFY2(std::fabs(q.psnr - psnr) < 0.01, qPrintable(QString::number(q.psnr)));
        QVERIFY2(q.ssim >= minSsim - 1e-9 && q.ssim <= maxSsim + 1e-9,
                 qPrintable(QString::number(q.ssim)));
        QVERIFY2(change == 2 ? q.gradientRatio < gradientRatio
                             : std::fabs(q.gradientRatio - gradientRatio) < 0.01,
                 qPrintable(QString::number(q.gradientRatio)));
    }

    // A ramp twice as steep has twice the gradient energy; a box on the picture's corner is
    // measured with the surroundings there are.
    void Measure_Should_CompareGradients_AndCope_WithTheCorner() {
        const Pixels clean = Grey(60, 40, [](int x, int) { return 2 * x; });
        const Pixels steeper = Grey(60, 40, [](int x, int) { return 4 * x; });
        QCOMPARE(bench::Measure(clean, steeper, Box{10, 10, 40, 30}).gradientRatio, 2.0);
        const bench::Quality corner = bench::Measure(clean, clean, Box{50, 30, 60, 40});
        QCOMPARE(corner.ssim, 1.0);
        QCOMPARE(corner.gradientRatio, 1.0);
    }
};

QTEST_GUILESS_MAIN(QualityMetricsTest)
#include "QualityMetricsTest.moc"
