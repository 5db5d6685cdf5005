// The date-imprint finder on the sample photos, on imprints drawn here, and on pictures that hold
// none. Its recall and false alarms on a few hundred photos are the benchmark's
// (brisvane-imprint-bench); these cases catch a finder that breaks outright.
#include <QColor>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <QTransform>
#include <cstdlib>
#include <cstring>

#include "detect/BoxFit.h"
#include "detect/ImprintFinder.h"
#include "detect/InkMap.h"
#include "detect/Scratch.h"

namespace {

QString PhotosDir() {
    return QString::fromLocal8Bit(std::getenv("BRISVANE_PHOTOS"));
}

QImage Photo(const QString& file) {
    return QImage(PhotosDir() + QLatin1Char('/') + file).convertToFormat(QImage::Format_RGB32);
}

std::vector<detect::Box> Find(const QImage& picture) {
    return detect::FindImprints({picture.width(), picture.height(),
                                 reinterpret_cast<const std::uint32_t*>(picture.constBits()),
                                 picture.bytesPerLine() / 4});
}

QRect AsRect(const detect::Box& b) {
    return QRect(b.x, b.y, b.width, b.height);
}

QString Found(const detect::Box& b) {
    return QStringLiteral("found %1,%2 %3x%4").arg(b.x).arg(b.y).arg(b.width).arg(b.height);
}

double Area(const QRect& r) {
    return r.isEmpty() ? 0.0 : double(r.width()) * r.height();
}

// The test the benchmark counts a hit by: the box covers 98 % of the truth, IoU at least 0.5.
bool Hits(const QRect& box, const QRect& truth) {
    const double common = Area(box.intersected(truth));
    return common >= 0.98 * Area(truth) && common / (Area(box) + Area(truth) - common) >= 0.5;
}

// Seven-segment digits as a camera prints them: segments a..g clockwise from the top, g between.
void DrawDigits(QPainter& p, const QString& text, QPoint at, int height, QColor colour) {
    static const char* kSegments[] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                      "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};
    const int w = height / 2, t = std::max(2, height / 8), half = height / 2;
    int x = at.x();
    for (const QChar c : text) {
        if (c.isDigit())
            for (const char* s = kSegments[c.digitValue()]; *s; ++s) {
                const QRect rects[] = {{x, at.y(), w, t},
                                       {x + w - t, at.y(), t, half},
                                       {x + w - t, at.y() + half, t, half},
                                       {x, at.y() + height - t, w, t},
                                       {x, at.y() + half, t, half},
                                       {x, at.y(), t, half},
                                       {x, at.y() + half - t / 2, w, t}};
                p.fillRect(rects[*s - 'a'], colour);
            }
        x += w + height / 4;
    }
}

}  // namespace

class ImprintFinderTest : public QObject {
    Q_OBJECT

private slots:
    // The sample photos carry a rendered imprint; its truth is where the stamped photo differs
    // from the clean one by more than 8 levels, inside the box its notes give.
    void FindImprints_Should_BoxTheImprintOfEachSamplePhoto_AndNothingOnTheCleanOne_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("knownFault");  // what the finder does wrong today, if anything
        QTest::newRow("astronaut") << QStringLiteral("astronaut") << QString();
        QTest::newRow("coffee") << QStringLiteral("coffee") << QStringLiteral("nothing found");
        QTest::newRow("dune") << QStringLiteral("dune") << QStringLiteral("nothing found");
        QTest::newRow("path") << QStringLiteral("path") << QString();
        QTest::newRow("friends") << QStringLiteral("friends") << QStringLiteral("box too long");
        QTest::newRow("bridge") << QStringLiteral("bridge") << QString();
    }
    void FindImprints_Should_BoxTheImprintOfEachSamplePhoto_AndNothingOnTheCleanOne() {
        QFETCH(QString, name);
        QFETCH(QString, knownFault);
        const QImage clean = Photo(name + QStringLiteral(".jpg"));
        const QImage stamped = Photo(name + QStringLiteral("-stamped.jpg"));
        QFile notes(PhotosDir() + QLatin1Char('/') + name + QStringLiteral(".json"));
        QVERIFY(notes.open(QIODevice::ReadOnly));
        const QJsonArray b = QJsonDocument::fromJson(notes.readAll())
                                 .object()[QLatin1String("stamp_box_x0_y0_x1_y1_exclusive")]
                                 .toArray();
        QRect truth;
        for (int y = b[1].toInt(); y < b[3].toInt(); ++y)
            for (int x = b[0].toInt(); x < b[2].toInt(); ++x) {
                const QColor s = stamped.pixelColor(x, y), c = clean.pixelColor(x, y);
                if (std::max({std::abs(s.red() - c.red()), std::abs(s.green() - c.green()),
                              std::abs(s.blue() - c.blue())}) > 8)
                    truth |= QRect(x, y, 1, 1);
            }
        // The finder's recall is still well short of its aim (see the README's figures): these
        // misses are known, and a row that starts to pass must lose its note.
        const std::vector<detect::Box> found = Find(stamped);
        const bool hit = found.size() == 1 && Hits(AsRect(found[0]), truth);
        if (!knownFault.isEmpty()) {
            QEXPECT_FAIL("", qPrintable(knownFault), Abort);
            QVERIFY(hit && Find(clean).empty());
        }
        QCOMPARE(found.size(), std::size_t(1));
        QVERIFY2(Hits(AsRect(found[0]), truth),
                 qPrintable(QStringLiteral("found %1,%2 %3x%4, truth %5,%6 %7x%8")
                                .arg(found[0].x)
                                .arg(found[0].y)
                                .arg(found[0].width)
                                .arg(found[0].height)
                                .arg(truth.x())
                                .arg(truth.y())
                                .arg(truth.width())
                                .arg(truth.height())));
        QVERIFY(Find(clean).empty());
    }

    // Imprints drawn onto a clean photo in each corner, in other colours, and down the side of
    // a photo turned upright from portrait.
    void FindImprints_Should_BoxADrawnImprint_data() {
        QTest::addColumn<int>("corner");  // 0 top left, 1 top right, 2 bottom left, 3 bottom right
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<bool>("turned");
        QTest::addColumn<bool>("tooLong");  // known fault: the box runs on along the ground
        QTest::newRow("orange, bottom right") << 3 << QColor(255, 150, 30) << false << true;
        QTest::newRow("orange, bottom left") << 2 << QColor(255, 150, 30) << false << false;
        QTest::newRow("red, top right") << 1 << QColor(255, 90, 40) << false << false;
        QTest::newRow("yellow, top left") << 0 << QColor(255, 220, 60) << false << false;
        QTest::newRow("amber-white, bottom right") << 3 << QColor(255, 236, 200) << false << true;
        QTest::newRow("orange, down the right side") << 3 << QColor(255, 150, 30) << true << false;
    }
    void FindImprints_Should_BoxADrawnImprint() {
        QFETCH(int, corner);
        QFETCH(QColor, colour);
        QFETCH(bool, turned);
        QFETCH(bool, tooLong);
        const QImage background = Photo(QStringLiteral("path.jpg")).scaled(1500, 1000);
        QImage row(360, 40, QImage::Format_ARGB32);
        row.fill(Qt::transparent);
        {
            QPainter p(&row);
            DrawDigits(p, QStringLiteral("98 7 14"), {4, 4}, 32, colour);
        }
        if (turned) row = row.transformed(QTransform().rotate(-90));
        QImage picture = background;
        const int margin = 60;
        const QPoint at((corner & 1) ? picture.width() - margin - row.width() : margin,
                        (corner & 2) ? picture.height() - margin - row.height() : margin);
        {
            QPainter p(&picture);
            p.drawImage(at, row);
        }
        const std::vector<detect::Box> found = Find(picture);
        QCOMPARE(found.size(), std::size_t(1));
        QRect drawn;  // the pixels of the row that are digits
        for (int y = 0; y < row.height(); ++y)
            for (int x = 0; x < row.width(); ++x)
                if (qAlpha(row.pixel(x, y)) > 0) drawn |= QRect(at.x() + x, at.y() + y, 1, 1);
        if (tooLong) QEXPECT_FAIL("", "the box runs on along the ground", Abort);
        QVERIFY2(Hits(AsRect(found[0]), drawn), qPrintable(Found(found[0])));
    }

    // An orange row printed across the bright grey rims of coins, which the strokes of any
    // bright thing join it to: it is found by its warmth alone.
    void FindImprints_Should_BoxAWarmRow_TouchingBrightGreyThings() {
        QImage picture(1200, 800, QImage::Format_RGB32);
        picture.fill(QColor(70, 70, 70));
        const QPoint at(760, 680);
        {
            QPainter p(&picture);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(QColor(225, 225, 225), 6));
            for (const int x : {700, 860, 1020}) p.drawEllipse(QPoint(x, 700), 90, 90);
            DrawDigits(p, QStringLiteral("98 7 14"), at, 32, QColor(255, 150, 30));
        }
        const std::vector<detect::Box> found = Find(picture);
        QCOMPARE(found.size(), std::size_t(1));
        const QRect drawn(at, QSize(6 * 24 + 16, 32));
        QVERIFY2(Hits(AsRect(found[0]), drawn), qPrintable(Found(found[0])));
    }

    // Pictures no camera stamped: each gives nothing or a box inside it, and the same answer
    // twice.
    void FindImprints_Should_GiveABoxInsideOrNone_OnPicturesWithoutAnImprint_data() {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<bool>("none");  // nothing at all may be found
        auto filled = [](int w, int h, QColor c) {
            QImage i(w, h, QImage::Format_RGB32);
            i.fill(c);
            return i;
        };
        QImage noise(1200, 800, QImage::Format_RGB32);
        QRandomGenerator random(7);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, random.generate() | 0xff000000u);
        QTest::newRow("1 x 1") << filled(1, 1, QColor(255, 150, 30)) << true;
        QTest::newRow("a one-pixel strip") << filled(4000, 1, Qt::white) << true;
        QTest::newRow("all orange") << filled(1600, 1200, QColor(255, 150, 30)) << true;
        QTest::newRow("all grey") << filled(1600, 1200, QColor(128, 128, 128)) << true;
        QTest::newRow("noise") << noise << false;
        QTest::newRow("a bright frame") << [&] {
            QImage i = filled(1600, 1200, QColor(40, 40, 40));
            QPainter(&i).fillRect(i.rect().adjusted(10, 10, -10, -10), QColor(255, 160, 40));
            return i;
        }() << false;
    }
    void FindImprints_Should_GiveABoxInsideOrNone_OnPicturesWithoutAnImprint() {
        QFETCH(QImage, picture);
        QFETCH(bool, none);
        const std::vector<detect::Box> found = Find(picture);
        if (none) QVERIFY(found.empty());
        for (const detect::Box& b : found)
            QVERIFY(picture.rect().contains(AsRect(b)) && b.width > 0);
        QVERIFY(Find(picture) == found);
    }

    // Across the row the fitted box keeps between a quarter and half a digit beyond the strokes,
    // and close to half a digit when they glow: on a plain ground, on a ground of the imprint's
    // own colour just above them that a fit left to itself follows up to its reach, and around
    // a faint glow that no single pixel of a busy ground would tell from the ground.
    void FitBox_Should_KeepABoundedMarginAcrossTheRow_data() {
        QTest::addColumn<int>("warmBandAbove");  // rows of orange ground right above the digits
        QTest::addColumn<int>("glow");           // opacity of an orange halo 12 pixels wide
        QTest::addColumn<int>("least");          // pixels the box must reach beyond the strokes
        QTest::newRow("plain ground") << 0 << 0 << 8;
        QTest::newRow("orange ground above") << 28 << 0 << 8;
        QTest::newRow("glowing") << 0 << 60 << 15;
    }
    void FitBox_Should_KeepABoundedMarginAcrossTheRow() {
        QFETCH(int, warmBandAbove);
        QFETCH(int, glow);
        QFETCH(int, least);
        const QColor orange(255, 150, 30);
        QImage picture(400, 240, QImage::Format_RGB32);
        picture.fill(QColor(90, 90, 90));
        {
            QPainter p(&picture);
            p.fillRect(100, 100 - warmBandAbove, 88, warmBandAbove, orange);
            p.fillRect(QRect(88, 88, 112, 56), QColor(255, 150, 30, glow));
            DrawDigits(p, QStringLiteral("2004"), {100, 100}, 32, orange);
        }
        const detect::Box box =
            detect::FitBox({picture.width(), picture.height(),
                            reinterpret_cast<const std::uint32_t*>(picture.constBits()),
                            picture.bytesPerLine() / 4},
                           {{100, 100, 88, 32}, 32, true, orange.rgb() & 0xffffffu});
        QVERIFY(box.width > 0);
        QVERIFY2(box.y >= 100 - 16 && box.y <= 100 - least, qPrintable(QString::number(box.y)));
        QVERIFY2(box.y + box.height >= 132 + least && box.y + box.height <= 132 + 16,
                 qPrintable(QString::number(box.y + box.height)));
    }

    // Within a scope a freed plane's memory serves the next plane of its size; a plane of
    // another size gets fresh memory, and every block is whole and writable, small or large.
    void ScratchScope_Should_ReuseFreedBlocksOfTheSameSize() {
        for (const std::size_t bytes : {std::size_t{64}, std::size_t{3} << 20}) {
            const detect::ScratchScope scope;
            void* first = detect::ScratchAllocate(bytes);
            std::memset(first, 1, bytes);
            detect::ScratchFree(first, bytes);
            void* other = detect::ScratchAllocate(bytes + 8);
            QVERIFY(other != first);
            std::memset(other, 2, bytes + 8);
            void* again = detect::ScratchAllocate(bytes);
            QCOMPARE(again, first);
            std::memset(again, 3, bytes);
            detect::ScratchFree(again, bytes);
            detect::ScratchFree(other, bytes + 8);
        }
    }

    // The running maximum over a window (the van Herk filter) against the plain search, on
    // sizes around the window and with the window wider than the plane.
    void LocalMaximum_Should_MatchThePlainSearch() {
        QRandomGenerator random(11);
        for (const QSize size : {QSize(1, 1), QSize(15, 3), QSize(16, 17), QSize(40, 29)}) {
            detect::Plane<std::int16_t> values(size.width(), size.height());
            for (auto& v : values.values) v = std::int16_t(random.bounded(-300, 300));
            for (const int r : {1, 7, 20}) {
                const auto fast = detect::LocalMaximum(values, r);
                for (int y = 0; y < values.height; ++y)
                    for (int x = 0; x < values.width; ++x) {
                        std::int16_t most = INT16_MIN;
                        for (int v = std::max(0, y - r); v <= std::min(values.height - 1, y + r);
                             ++v)
                            for (int u = std::max(0, x - r); u <= std::min(values.width - 1, x + r);
                                 ++u)
                                most = std::max(most, values.At(u, v));
                        QCOMPARE(fast.At(x, y), most);
                    }
            }
        }
    }
};

QTEST_GUILESS_MAIN(ImprintFinderTest)
#include "ImprintFinderTest.moc"
