#include <QtTest>

#include "platform/ViewMapping.h"

class ViewMappingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void Zoomed_Should_RoundTheViewAndKeepAtLeastOnePixel_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QSize>("view");
        QTest::newRow("100 %") << QSize(600, 400) << 1.0 << QSize(600, 400);
        QTest::newRow("25 %") << QSize(4352, 2448) << 0.25 << QSize(1088, 612);
        QTest::newRow("800 %") << QSize(3, 2) << 8.0 << QSize(24, 16);
        QTest::newRow("1 x 1 at 25 %") << QSize(1, 1) << 0.25 << QSize(1, 1);
        QTest::newRow("32000 x 200 fitted") << QSize(32000, 200) << 0.01625 << QSize(520, 3);
    }

    void Zoomed_Should_RoundTheViewAndKeepAtLeastOnePixel() {
        QFETCH(QSize, picture);
        QFETCH(double, zoom);
        QFETCH(QSize, view);
        QCOMPARE(ViewMapping::Zoomed(picture, zoom).View(), view);
    }

    void FitZoom_Should_FitTheWholePictureAndNeverEnlarge() {
        QCOMPARE(ViewMapping::FitZoom({4352, 2448}, {520, 346}), 520.0 / 4352);
        QCOMPARE(ViewMapping::FitZoom({1000, 3000}, {520, 346}), 346.0 / 3000);
        QCOMPARE(ViewMapping::FitZoom({100, 80}, {520, 346}), 1.0);
        const ViewMapping fitted =
            ViewMapping::Zoomed({4032, 3024}, ViewMapping::FitZoom({4032, 3024}, {1600, 1000}));
        QVERIFY(fitted.View().width() <= 1600 && fitted.View().height() <= 1000);
    }

    // At every zoom a pixel's view rectangle maps back over it, and from 100 % up a pixel's
    // centre maps back to the pixel itself; at whole-number zooms the pixels tile the view.
    void RoundTrips_Should_HoldAtEveryZoom() {
        const QSize picture(37, 23);  // sizes that divide no zoom evenly
        for (double zoom : {0.25, 0.3, 0.5, 1.0, 1.7, 2.0, 4.0, 8.0}) {
            const ViewMapping m = ViewMapping::Zoomed(picture, zoom);
            const bool whole = zoom == int(zoom);
            int covered = 0;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x) {
                    const QRect v = m.ViewOf(QRect(x, y, 1, 1));
                    QVERIFY(m.PictureUnder(v).contains(QPoint(x, y)));
                    if (zoom >= 1)
                        QCOMPARE(m.ToPicture(m.ToView(QPointF(x + 0.5, y + 0.5))), QPoint(x, y));
                    if (!whole) continue;
                    covered += v.width() * v.height();
                    QCOMPARE(m.ToPicture(v.topLeft()), QPoint(x, y));
                    QCOMPARE(m.ToPicture(QPointF(v.right() + 0.99, v.bottom() + 0.99)),
                             QPoint(x, y));
                }
            if (whole) QCOMPARE(covered, m.View().width() * m.View().height());
        }
    }

    // Scaling a mark up covers every picture pixel any of its view pixels shows, and no more.
    void PictureUnder_Should_CoverEveryPixelUnderTheViewPixels() {
        const ViewMapping reduced({4200, 2800}, {487, 380});
        const QRect one = reduced.PictureUnder(QRect(100, 50, 1, 1));
        for (int y = one.top(); y <= one.bottom(); ++y)
            for (int x = one.left(); x <= one.right(); ++x) {
                const QRect back = reduced.ViewOf(QRect(x, y, 1, 1));
                QVERIFY(back.intersects(QRect(100, 50, 1, 1)));
            }
        QVERIFY(!reduced.ViewOf(QRect(one.left() - 1, one.top(), 1, 1))
                     .intersects(QRect(100, 50, 1, 1)) ||
                one.left() == 0);
        QCOMPARE(reduced.PictureUnder(QRect(0, 0, 487, 380)), QRect(0, 0, 4200, 2800));
        const ViewMapping identity({600, 400}, {600, 400});
        QVERIFY(identity.IsIdentity());
        QCOMPARE(identity.PictureUnder(QRect(5, 6, 7, 8)), QRect(5, 6, 7, 8));
        QCOMPARE(identity.ViewOf(QRect(5, 6, 7, 8)), QRect(5, 6, 7, 8));
        QCOMPARE(identity.ToPicture(QPointF(5.9, 6.0)), QPoint(5, 6));
        QCOMPARE(identity.ToPicture(QPointF(-0.5, -3)), QPoint(-1, -3));  // left of the picture
    }
};

QTEST_GUILESS_MAIN(ViewMappingTest)
#include "ViewMappingTest.moc"
