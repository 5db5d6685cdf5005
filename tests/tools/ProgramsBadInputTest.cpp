#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "support/BadPictures.h"

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>
extern char** environ;
#endif

Q_DECLARE_METATYPE(BadPictures::Case)

namespace {

struct Result {
    int code = -1;  // -1: crashed or did not finish in time
    QString err;
};

Result Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(qEnvironmentVariable("BRISVANE_PROGRAM_DIR") + QLatin1Char('/') + program, args);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

#ifndef Q_OS_WIN
struct ByteResult {
    int code = -1;
    QByteArray err;
};

// Runs a program with arguments as bytes, as a shell passes them (QProcess passes UTF-8 text).
ByteResult RunWithBytes(const QString& program, const QList<QByteArray>& args) {
    QTemporaryFile err;
    if (!err.open()) return {};
    const QByteArray path = QFile::encodeName(qEnvironmentVariable("BRISVANE_PROGRAM_DIR") +
                                              QLatin1Char('/') + program);
    std::vector<char*> argv{const_cast<char*>(path.constData())};
    for (const QByteArray& a : args) argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err.handle(), 2);
    pid_t pid = 0;
    const int started =
        posix_spawn(&pid, path.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (started != 0 || waitpid(pid, &status, 0) != pid) return {};
    err.seek(0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, err.readAll()};
}

QByteArray ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return QByteArray::fromStdString(
        std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
}

int EntriesIn(const std::filesystem::path& folder) {
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++entries;
    return entries;
}
#endif

QStringList Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace

// brisvane-inpaint and brisvane-convert on the bad-picture corpus and on awkward file names:
// a picture they can work on is written, anything else ends with one line saying why, and no
// file appears that was not asked for.
class ProgramsBadInputTest : public QObject {
    Q_OBJECT
    QTemporaryDir corpus_;
    QList<BadPictures::Case> cases_;

private Q_SLOTS:
    void initTestCase() { cases_ = BadPictures::Make(corpus_.path()); }

    void EveryCase_Should_BeWrittenOrRefusedInOneLine_data() {
        QTest::addColumn<BadPictures::Case>("c");
        QTest::addColumn<QString>("program");
        for (const auto& c : cases_) {
            QTest::addRow("inpaint %s", qPrintable(c.name))
                << c << QStringLiteral("brisvane-inpaint");
            QTest::addRow("convert %s", qPrintable(c.name))
                << c << QStringLiteral("brisvane-convert");
        }
    }
    void EveryCase_Should_BeWrittenOrRefusedInOneLine() {
        QFETCH(BadPictures::Case, c);
        QFETCH(QString, program);
        QTemporaryDir out;
        const QString input = corpus_.filePath(c.name),
                      target = out.filePath(QStringLiteral("result.png"));
        const bool tool = program == QStringLiteral("brisvane-inpaint");
        const bool room = c.size.width() >= 12 && c.size.height() >= 12;
        QStringList args =
            tool ? QStringList{}
                 : QStringList{QStringLiteral("-out"), QStringLiteral("png"), QStringLiteral("-o")};
        if (tool && room) args << QStringLiteral("--box") << QStringLiteral("4,4,3,3");
        args << (tool ? QStringList{input, target} : QStringList{target, input});

        const Result r = Run(program, args);

        if (c.opens) {
            QVERIFY2(r.code == 0, qPrintable(r.err));
            QImageReader reader(target);
            reader.setAutoTransform(false);
            QCOMPARE(reader.size(), c.size);  // upright without the help of EXIF
        } else {
            QCOMPARE(r.code, 2);
            // The last line is the program's own (a decoder may have complained before it).
            const QString said = r.err.trimmed().section(QLatin1Char('\n'), -1);
            QVERIFY2(said.startsWith(program + QStringLiteral(": ")), qPrintable(r.err));
            QVERIFY2(said.contains(c.problem), qPrintable(r.err));
            QVERIFY(Files(out.path()).isEmpty());
        }
        QCOMPARE(Files(out.path()).size(), c.opens ? 1 : 0);
    }

    void AwkwardNames_Should_BeReadAndWrittenAsGiven_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("spaces") << QStringLiteral("  my photo .jpg");
        QTest::newRow("quotes") << QStringLiteral("it's \"the\" one.jpg");
        QTest::newRow("shell") << QStringLiteral("$HOME;rm -rf x`id`$(id)|&.jpg");
        QTest::newRow("leading dash") << QStringLiteral("-o.jpg");
        QTest::newRow("leading dashes") << QStringLiteral("--box.jpg");
        QTest::newRow("newline") << QStringLiteral("two\nlines.jpg");
        QTest::newRow("non-ASCII") << QStringLiteral("Zürich 東京 😀.jpg");
        QTest::newRow("long") << QString(200, QLatin1Char('n')) + QStringLiteral(".jpg");
    }
    void AwkwardNames_Should_BeReadAndWrittenAsGiven() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        // A folder path of more than 250 characters for the long name.
        const QString folder =
            name.size() > 100 ? dir.filePath(QString(60, QLatin1Char('d'))) : dir.path();
        QVERIFY(QDir().mkpath(folder));
        const QString input = folder + QLatin1Char('/') + name;
        BadPictures::Write(input, BadPictures::Encoded(BadPictures::Photo(40, 30), "jpeg"));
        const QString toolOut = folder + QStringLiteral("/out ") + name + QStringLiteral(".png");
        const QString convertOut =
            folder + QStringLiteral("/conv ") + name + QStringLiteral(".png");

        const Result tool = Run(QStringLiteral("brisvane-inpaint"),
                                {QStringLiteral("--box"), QStringLiteral("4,4,3,3"),
                                 QStringLiteral("--"), input, toolOut});
        const Result convert =
            Run(QStringLiteral("brisvane-convert"), {QStringLiteral("-out"), QStringLiteral("png"),
                                                     QStringLiteral("-o"), convertOut, input});

        QVERIFY2(tool.code == 0, qPrintable(tool.err));
        QVERIFY2(convert.code == 0, qPrintable(convert.err));
        QCOMPARE(QImage(toolOut).size(), QSize(40, 30));
        QCOMPARE(QImage(convertOut).size(), QSize(40, 30));
        QCOMPARE(Files(folder).size(), 3);
    }

    // Old cameras and archives give Latin-1 names; both programs take them byte for byte, and
    // name them in a message as they were given.
    void Latin1Names_Should_BeReadAndWritten_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("inpaint") << QStringLiteral("brisvane-inpaint");
        QTest::newRow("convert") << QStringLiteral("brisvane-convert");
    }
    void Latin1Names_Should_BeReadAndWritten() {
#ifdef Q_OS_WIN
        QSKIP("names are UTF-16 on Windows");
#else
        QFETCH(QString, program);
        const bool tool = program == QStringLiteral("brisvane-inpaint");
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        // Qt does not list names that are not UTF-8, so it cannot remove them.
        const auto removeAll =
            qScopeGuard([&] { std::filesystem::remove_all(folder.toStdString()); });
        const QByteArray input = folder + "/caf\xe9.jpg", output = folder + "/caf\xe9 2.jpg";
        {
            std::ofstream file(input.toStdString(), std::ios::binary);
            const QByteArray jpeg = BadPictures::Encoded(BadPictures::Photo(40, 30), "jpeg");
            file.write(jpeg.constData(), jpeg.size());
        }
        const QList<QByteArray> line = tool
                                           ? QList<QByteArray>{"--box", "4,4,3,3", input, output}
                                           : QList<QByteArray>{"-out", "jpeg", "-o", output, input};
        const ByteResult r = RunWithBytes(program, line);
        QVERIFY2(r.code == 0, r.err.constData());
        QCOMPARE(QImage::fromData(ReadBytes(output.toStdString())).size(), QSize(40, 30));
        QCOMPARE(EntriesIn(folder.toStdString()), 2);

        const QByteArray missing = folder + "/ni\xf1o.jpg";
        const ByteResult refused =
            RunWithBytes(program, tool ? QList<QByteArray>{missing, output}
                                       : QList<QByteArray>{"-out", "png", "-o", output, missing});
        QCOMPARE(refused.code, 2);
        QVERIFY2(refused.err.contains("\"" + missing + "\": the file does not exist"),
                 refused.err.constData());
        QCOMPARE(EntriesIn(folder.toStdString()), 2);
#endif
    }

    void NameThatIsNotUtf8_Should_BeRefusedAskingForANewName() {
#ifdef Q_OS_WIN
        QSKIP("names are UTF-16 on Windows");
#else
        QTemporaryDir dir;
        const std::filesystem::path folder(QFile::encodeName(dir.path()).toStdString());
        const std::filesystem::path raw = folder / "photo-\xff\xfe.jpg";
        {
            std::ofstream file(raw, std::ios::binary);
            const QByteArray jpeg = BadPictures::Encoded(BadPictures::Photo(40, 30), "jpeg");
            file.write(jpeg.constData(), jpeg.size());
        }
        const Result r = Run(QStringLiteral("brisvane-inpaint"),
                             {QFile::decodeName(QByteArray::fromStdString(raw.string())),
                              dir.filePath(QStringLiteral("out.png"))});
        // A caller that carries the name as Qt's text has lost the bytes already: the file is
        // refused in one line that says why, never a crash or a stray file.
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(QStringLiteral("please rename the file")), qPrintable(r.err));
        int entries = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
            ++entries;
        QCOMPARE(entries, 1);
        std::filesystem::remove(raw);
#endif
    }
};

QTEST_GUILESS_MAIN(ProgramsBadInputTest)
#include "ProgramsBadInputTest.moc"
