#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>
#include <QtTest>

#include "platform/Clipboard.h"

namespace {
QImage Picture() {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(0xFF00FF00u);
    return image;
}

void Offer(bool links, bool text, bool picture) {
    auto* data = new QMimeData;
    if (links) data->setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.jpg"))});
    if (text) data->setText(QStringLiteral("words"));
    if (picture) data->setImageData(Picture());
    QGuiApplication::clipboard()->setMimeData(data);
}
}  // namespace

class ClipboardTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void Format_Should_PreferLinksThenTextThenAPicture() {
        Offer(true, true, true);
        QCOMPARE(ClipboardFormat(), clip::Link);
        Offer(false, true, true);
        QCOMPARE(ClipboardFormat(), clip::Text);
        Offer(false, false, true);
        QCOMPARE(ClipboardFormat(), clip::Bitmap);
        ClipboardClear();
        QCOMPARE(ClipboardFormat(), 0);
    }

    void PutPicture_Should_ComeBackUnchanged() {
        ClipboardPutPicture(Picture());
        QCOMPARE(ClipboardFormat(), clip::Bitmap);
        QCOMPARE(ClipboardGetPicture().convertToFormat(QImage::Format_RGB32), Picture());
    }

    void GetPicture_Should_BeNullWithoutAPicture() {
        Offer(false, true, false);
        QVERIFY(ClipboardGetPicture().isNull());
    }
};

QTEST_MAIN(ClipboardTest)
#include "ClipboardTest.moc"
