#include <QtTest>

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QSortFilterProxyModel>

#include "platform/Dialogs.h"
#include "support/TestFiles.h"

using namespace TestFiles;

namespace {
const QString kFilter = QStringLiteral("Supported Pictures (*.bmp;*.jpg;*.gif)|*.bmp;*.jpg;*.gif|");

// The names the open dialog shows in its current folder.
QStringList ShownNames(QFileDialog* dialog) {
    auto* model = dialog->findChild<QFileSystemModel*>();
    auto* view = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
    QStringList names;
    if (!model || !view) return names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row)
        names << view->model()->index(row, 0, root).data().toString();
    names.sort();
    return names;
}
}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void Caption_Should_BeItsOwnOrTheApplicationName_data() {
        QTest::addColumn<bool>("input");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shown");
        const QString title = QStringLiteral("Caption Test Title");
        QTest::newRow("message without caption") << false << QString() << title;
        QTest::newRow("message with caption") << false << QStringLiteral("Own") << "Own";
        QTest::newRow("input without caption") << true << QString() << title;
        QTest::newRow("input with caption") << true << QStringLiteral("Own") << "Own";
    }
    void Caption_Should_BeItsOwnOrTheApplicationName() {
        QFETCH(bool, input);
        QFETCH(QString, caption);
        QFETCH(QString, shown);
        const QString before = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QStringLiteral("Caption Test Title"));
        QString title;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(box);
            title = box->windowTitle();
            box->reject();
        });
        QtDialogs dialogs;
        if (input)
            dialogs.Input(QStringLiteral("Name?"), QString(), caption);
        else
            dialogs.Message(QStringLiteral("Hello"), Dialogs::Buttons::Ok, Dialogs::Icon::None,
                            caption);
        QCoreApplication::setApplicationName(before);
        QCOMPARE(title, shown);
    }

    void OpenDialog_Should_ShowPicturesInAnyLetterCase_AndGiveFolderPlusNames() {
        QTemporaryDir dir;
        for (const char* f : {"IMG_0001.JPG", "b.jpg", "c.Gif", "d.BMP", "notes.txt"})
            Touch(dir.filePath(QLatin1String(f)));
        QStringList shown;
        QString filterShown;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->setDirectory(dir.path());
            filterShown =
                dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText();
            QTRY_COMPARE(ShownNames(dialog).size(), 4);
            shown = ShownNames(dialog);
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QStringLiteral("\"IMG_0001.JPG\" \"b.jpg\""));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QtDialogs dialogs;
        const auto result = dialogs.OpenFiles(QStringLiteral("Add"), kFilter, 30000);
        QCOMPARE(filterShown, QStringLiteral("Supported Pictures (*.bmp;*.jpg;*.gif)"));
        QCOMPARE(shown, (QStringList{"IMG_0001.JPG", "b.jpg", "c.Gif", "d.BMP"}));
        QCOMPARE(result.text, dir.path() + QChar(0) + "IMG_0001.JPG" + QChar(0) + "b.jpg");
        QVERIFY(!result.overflow);
    }

    void OpenDialog_Should_ReportAnOverflowInsteadOfALongSelection() {
        QTemporaryDir dir;
        Touch(dir.filePath(QStringLiteral("a.jpg")));
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->setDirectory(dir.path());
            dialog->selectFile(QStringLiteral("a.jpg"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QtDialogs dialogs;
        const auto result = dialogs.OpenFiles(QStringLiteral("Add"), kFilter, 5);
        QVERIFY(result.overflow);
        QVERIFY(result.text.isEmpty());
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
