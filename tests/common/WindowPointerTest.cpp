#include <QGroupBox>
#include <QPushButton>
#include <QtTest>

#include "common/AppInfo.h"
#include "common/WindowPointer.h"

using Mode = WindowPointer::Mode;

namespace {
// A window as both windows are built: buttons on the background and inside a frame.
struct Window {
    QWidget window;
    QPushButton* button = new QPushButton(QStringLiteral("b"), &window);
    QGroupBox* frame = new QGroupBox(QStringLiteral("f"), &window);
    QPushButton* frameButton = new QPushButton(QStringLiteral("?"), frame);
    WindowPointer* pointer = new WindowPointer(window);

    Window() {
        window.resize(300, 200);
        button->setGeometry(10, 10, 80, 30);
        frame->setGeometry(10, 60, 200, 100);
        frameButton->setGeometry(150, 20, 32, 27);
        pointer->Follow(&window, Mode::Default);
        pointer->Follow(frame, Mode::Default);
        pointer->Follow(button, Mode::Custom);
        pointer->Follow(frameButton, Mode::Custom);
    }

    QWidget* Named(const QString& name) {
        if (name == QLatin1String("button")) return button;
        if (name == QLatin1String("frame")) return frame;
        if (name == QLatin1String("frameButton")) return frameButton;
        return &window;
    }
};

// A plain move, no button held, delivered as the window system does: what the widget leaves
// goes on to its parents.
void MoveOver(QWidget* widget) {
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(widget->mapToGlobal(QPoint(3, 3))),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}
void Enter(QWidget* widget) {
    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QCoreApplication::sendEvent(widget, &enter);
}
}  // namespace

class WindowPointerTest : public QObject {
    Q_OBJECT
    QTemporaryDir program_;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(QFile::copy(QDir(qEnvironmentVariable("BRISVANE_PROGRAM_DIR"))
                                .filePath(QStringLiteral("HAND-M.CUR")),
                            program_.filePath(QStringLiteral("HAND-M.CUR"))));
        SetProgramFolder(program_.path());
    }

    void Pointer_Should_FollowWhatItMovesOver_data() {
        QTest::addColumn<QString>("over");
        QTest::addColumn<bool>("enter");  // entering rather than moving
        QTest::addColumn<Mode>("from");
        QTest::addColumn<Mode>("expected");
        const struct {
            const char* over;
            Mode expected;
        } places[] = {{"button", Mode::Custom},
                      {"frameButton", Mode::Custom},
                      {"window", Mode::Default},
                      {"frame", Mode::Default}};
        for (const auto& p : places)
            for (bool enter : {false, true}) {
                const Mode from = p.expected == Mode::Custom ? Mode::Default : Mode::Custom;
                const char* how = enter ? "enter" : "move";
                QTest::addRow("%s %s", how, p.over)
                    << QString::fromLatin1(p.over) << enter << from << p.expected;
                QTest::addRow("%s %s busy", how, p.over)
                    << QString::fromLatin1(p.over) << enter << Mode::Busy << Mode::Busy;
            }
    }
    void Pointer_Should_FollowWhatItMovesOver() {
        QFETCH(QString, over);
        QFETCH(bool, enter);
        QFETCH(Mode, from);
        QFETCH(Mode, expected);
        Window w;
        w.pointer->Set(from);
        if (enter)
            Enter(w.Named(over));
        else
            MoveOver(w.Named(over));
        QCOMPARE(w.pointer->Current(), expected);
        QCOMPARE(w.pointer->IsBusy(), expected == Mode::Busy);
    }

    void Hand_Should_ComeFromTheProgramFolderOrLookLikeTheArrow() {
        Window w;
        QVERIFY(!w.pointer->HasHand());
        w.pointer->LoadHand();
        QVERIFY(w.pointer->HasHand());
        MoveOver(w.button);
        QCOMPARE(w.window.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(w.window.cursor().hotSpot(), QPoint(5, 0));
        MoveOver(&w.window);
        QCOMPARE(w.window.cursor().shape(), Qt::ArrowCursor);
        w.pointer->Set(Mode::Busy);
        QCOMPARE(w.window.cursor().shape(), Qt::WaitCursor);

        QTemporaryDir empty;
        SetProgramFolder(empty.path());
        Window plain;
        plain.pointer->LoadHand();
        QVERIFY(!plain.pointer->HasHand());
        MoveOver(plain.button);
        QCOMPARE(plain.pointer->Current(), Mode::Custom);
        QCOMPARE(plain.window.cursor().shape(), Qt::ArrowCursor);
        SetProgramFolder(program_.path());
    }
};

QTEST_MAIN(WindowPointerTest)
#include "WindowPointerTest.moc"
