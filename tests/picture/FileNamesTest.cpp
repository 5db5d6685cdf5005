#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "picture/FileNames.h"

class FileNamesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void Names_Should_KeepEveryByte_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("ASCII") << QByteArray("IMG_0001.JPG") << true;
        QTest::newRow("UTF-8, two to four bytes")
            << QByteArray("Z\xc3\xbcrich \xe6\x9d\xb1\xe4\xba\xac \xf0\x9f\x98\x80.jpg") << true;
        QTest::newRow("Latin-1") << QByteArray("caf\xe9.jpg") << false;
        QTest::newRow("Latin-1 before UTF-8") << QByteArray("\xe9t\xc3\xa9.jpg") << false;
        QTest::newRow("stray continuation byte") << QByteArray("a\x80z") << false;
        QTest::newRow("overlong slash") << QByteArray("a\xc0\xafz") << false;
        QTest::newRow("overlong three bytes") << QByteArray("\xe0\x80\xaf") << false;
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << false;
        QTest::newRow("past U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << false;
        QTest::newRow("cut at the end") << QByteArray("photo\xe6\x9d") << false;
        QTest::newRow("cut in the middle") << QByteArray("\xf0\x9f\x98.jpg") << false;
        QTest::newRow("every high byte") << [] {
            QByteArray all;
            for (int b = 0x80; b <= 0xff; ++b) all += char(b);
            return all;
        }() << false;
    }
    void Names_Should_KeepEveryByte() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, utf8);
        const QString name = NameFromBytes(bytes);
        QCOMPARE(NameBytes(name), bytes);
        if (utf8) QCOMPARE(name, QString::fromUtf8(bytes));  // as everywhere else in Qt
        QCOMPARE(name.contains(QChar::ReplacementCharacter), false);
    }

    void RandomBytes_Should_RoundTrip() {
        QRandomGenerator random(2024);
        for (int round = 0; round < 5000; ++round) {
            QByteArray bytes(random.bounded(1, 24), '\0');
            for (char& b : bytes) b = char(random.bounded(1, 256));
            QCOMPARE(NameBytes(NameFromBytes(bytes)), bytes);
        }
    }

    void Text_Should_BecomeUtf8_AndHalfAPairTheReplacementCharacter() {
        QCOMPARE(NameBytes(QString::fromUtf8("\xc3\xbc\xf0\x9f\x98\x80")),
                 QByteArray("\xc3\xbc\xf0\x9f\x98\x80"));
        QCOMPARE(NameBytes(QString(QChar(0xd83d)) + QLatin1Char('a')), QByteArray("\xef\xbf\xbd"
                                                                                  "a"));
        QCOMPARE(NameBytes(QString(QChar(0xdc41))), QByteArray("\xef\xbf\xbd"));
    }

    void ProgramArguments_Should_KeepNamesThatAreNotUtf8() {
        char program[] = "tool";
        char latin1[] = "caf\xe9.jpg";
        char utf8[] = "caf\xc3\xa9.jpg";
        char* argv[] = {program, latin1, utf8, nullptr};
        const QStringList arguments = ProgramArguments(3, argv);
        QCOMPARE(arguments.size(), 3);
        QCOMPARE(NameBytes(arguments[1]), QByteArray(latin1));
        QCOMPARE(arguments[2], QString::fromUtf8(utf8));
        QVERIFY(arguments[1] != arguments[2]);
        QCOMPARE(TerminalText(QStringLiteral("cannot read \"") + arguments[1] + QLatin1Char('"')),
                 QByteArray("cannot read \"caf\xe9.jpg\""));
    }

    void FilesNamedInLatin1_Should_BeFoundAndOpened() {
#ifdef Q_OS_WIN
        QSKIP("names are UTF-16 on Windows");
#else
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        {
            std::ofstream file(std::filesystem::path((folder + "/caf\xe9.jpg").toStdString()));
            file << "coffee";
        }
        const QString name = NameFromBytes(folder + "/caf\xe9.jpg");
        const FileFacts facts = FactsOf(name);
        QVERIFY(facts.exists && facts.isFile);
        QCOMPARE(facts.size, 6);
        QFile file;
        QCOMPARE(OpenToRead(file, name), QString());
        QCOMPARE(file.readAll(), QByteArray("coffee"));

        // The same name as Qt carries it (the byte lost) names nothing.
        const QString lossy = QFile::decodeName(folder + "/caf\xe9.jpg");
        QVERIFY(!FactsOf(lossy).exists);
        QFile none;
        QCOMPARE(OpenToRead(none, lossy), QStringLiteral("No such file or directory"));
        QVERIFY(!FactsOf(NameFromBytes(folder)).isFile);
        QVERIFY(FactsOf(NameFromBytes(folder)).exists);
#endif
    }
};

QTEST_GUILESS_MAIN(FileNamesTest)
#include "FileNamesTest.moc"
