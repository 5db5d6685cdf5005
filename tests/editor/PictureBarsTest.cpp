#include <QtTest>

#include "editor/PictureBars.h"

class PictureBarsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ReducedPicture_Should_GetAVerticalBarAtItsRightEdge() {
        const PictureBars b = ArrangeBars(487, 380, 520, 346);
        QVERIFY(!b.horizontalShown);
        QVERIFY(b.verticalShown);
        QCOMPARE(b.vertical, QRect(487, 0, 12, 334));
        QCOMPARE(b.verticalMax, 46);
        QVERIFY(b.cornerShown);
        QCOMPARE(b.corner, QRect(487, 334, 12, 12));
        QCOMPARE(b.verticalPage, 380);
    }

    void WidePicture_Should_GetAHorizontalBarBelowIt() {
        const PictureBars b = ArrangeBars(600, 300, 520, 346);
        QVERIFY(b.horizontalShown);
        QVERIFY(!b.verticalShown);
        QCOMPARE(b.horizontal, QRect(0, 300, 508, 12));
        QCOMPARE(b.horizontalMax, 92);
        QCOMPARE(b.corner, QRect(508, 300, 12, 12));
        QCOMPARE(b.horizontalPage, 600);
    }

    void SmallPicture_Should_HaveNoBars() {
        const PictureBars b = ArrangeBars(400, 300, 520, 346);
        QVERIFY(!b.horizontalShown && !b.verticalShown && !b.cornerShown);
        QCOMPARE(b.horizontal.width(), 400);
        QCOMPARE(b.vertical.height(), 300);
    }

    void BigPicture_Should_ScrollToItsRightEdgeAtTheBar() {
        const PictureBars b = ArrangeBars(2000, 1500, 520, 346);
        QCOMPARE(b.horizontal, QRect(0, 334, 508, 12));
        QCOMPARE(b.vertical, QRect(508, 0, 12, 334));
        // At the end of the bar the picture's right edge is at 2000 - max = 508.
        QCOMPARE(2000 - b.horizontalMax, 520 - 12);
        QCOMPARE(1500 - b.verticalMax, 346 - 12);
    }
};

QTEST_GUILESS_MAIN(PictureBarsTest)
#include "PictureBarsTest.moc"
