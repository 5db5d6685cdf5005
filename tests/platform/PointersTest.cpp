#include <QtTest>

#include "platform/Pointers.h"

class PointersTest : public QObject {
    Q_OBJECT
    QString ProgramFile(const char* name) {
        return QDir(qEnvironmentVariable("BRISVANE_PROGRAM_DIR"))
            .filePath(QString::fromLatin1(name));
    }

private Q_SLOTS:
    void HandPointer_Should_LoadWithItsFingertipHotspot() {
        const auto hand = LoadPointer(ProgramFile("HAND-M.CUR"));
        QVERIFY(hand.has_value());
        QCOMPARE(hand->pixmap().size(), QSize(32, 32));
        QCOMPARE(hand->hotSpot(), QPoint(5, 0));
        QCOMPARE(hand->pixmap().toImage().pixelColor(0, 0).alpha(),
                 0);  // transparent around the hand
    }

    void DragPointer_Should_LoadAsAnIcon() {
        const auto drag = LoadPointer(ProgramFile("drag.ico"));
        QVERIFY(drag.has_value());
        QCOMPARE(drag->pixmap().size(), QSize(32, 32));
    }

    void MissingOrBrokenFile_Should_GiveNoPointer() {
        QTemporaryDir dir;
        QFile junk(dir.filePath(QStringLiteral("junk.cur")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a cursor");
        junk.close();
        QVERIFY(!LoadPointer(dir.filePath(QStringLiteral("missing.cur"))).has_value());
        QVERIFY(!LoadPointer(junk.fileName()).has_value());
    }
};

QTEST_MAIN(PointersTest)
#include "PointersTest.moc"
