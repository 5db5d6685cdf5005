#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

// The layers of the source tree point one way: every top-level folder of sources names, in the
// table BRISVANE_LAYERS of the top CMakeLists.txt, the folders (or single headers) its files may
// include. This test reads every source file's #include "..." lines and names each one that
// reaches outside its folder's list.

namespace {

struct Layers {
    QHash<QString, QStringList> below;  // folder -> what its files may include besides their own
};

// Lines of the form "folder: part part ..."; a part is a folder, "folder/Header.h" or "*".
Layers ParseLayers(const QString& text) {
    Layers layers;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0) continue;
        layers.below.insert(line.left(colon).trimmed(),
                            line.mid(colon + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts));
    }
    return layers;
}

bool MayInclude(const Layers& layers, const QString& folder, const QString& include) {
    const qsizetype slash = include.indexOf(QLatin1Char('/'));
    if (slash < 0) return true;  // beside the file itself (a .moc, a local header)
    const QString target = include.left(slash);
    const QStringList& below = layers.below[folder];
    return target == folder || below.contains(QStringLiteral("*")) || below.contains(target) ||
           below.contains(include);
}

bool IsSource(const QString& name) {
    static const QRegularExpression source(QStringLiteral("\\.(cpp|cc|cxx|h|hpp|inl)$"));
    return source.match(name).hasMatch();
}

// Build trees (they hold generated sources) and hidden folders are not part of the tree.
bool Skipped(const QDir& folder) {
    return folder.dirName().startsWith(QLatin1Char('.')) ||
           folder.exists(QStringLiteral("CMakeCache.txt"));
}

// Every include under `root` that its layer does not allow, and every top-level folder of
// sources that has no layer, one text each: "platform/PictureBox.h:7 includes ...".
QStringList Violations(const QString& root, const Layers& layers) {
    static const QRegularExpression includeLine(
        QStringLiteral("^\\s*#\\s*include\\s*\"([^\"]+)\""));
    QStringList found;
    const QDir top(root);
    for (const QString& folder : top.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (Skipped(QDir(top.filePath(folder)))) continue;
        QDirIterator files(top.filePath(folder), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            if (!IsSource(path)) continue;
            const QString name = top.relativeFilePath(path);
            if (!layers.below.contains(folder)) {
                found << QStringLiteral("%1: the folder %2 has no place among the layers")
                             .arg(name, folder);
                continue;
            }
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
                found << QStringLiteral("%1: cannot be read").arg(name);
                continue;
            }
            int number = 0;
            while (!file.atEnd()) {
                const QString line = QString::fromUtf8(file.readLine());
                ++number;
                const auto match = includeLine.match(line);
                if (match.hasMatch() && !MayInclude(layers, folder, match.captured(1)))
                    found << QStringLiteral("%1:%2 includes \"%3\"; %4 may include only: %5")
                                 .arg(name)
                                 .arg(number)
                                 .arg(match.captured(1), folder,
                                      layers.below[folder].join(QLatin1Char(' ')));
            }
        }
    }
    return found;
}

// A folder reached again from itself: the first cycle, as "a -> b -> a"; empty when none.
QString CycleIn(const Layers& layers) {
    QHash<QString, int> state;  // 1 on the path being walked, 2 done
    QStringList path;
    std::function<QString(const QString&)> walk = [&](const QString& folder) -> QString {
        if (state.value(folder) == 2) return {};
        if (state.value(folder) == 1) return (path << folder).join(QStringLiteral(" -> "));
        state[folder] = 1;
        path << folder;
        for (const QString& part : layers.below.value(folder)) {
            const QString next = part.section(QLatin1Char('/'), 0, 0);
            if (next == QLatin1String("*") || next == folder) continue;
            const QString cycle = walk(next);
            if (!cycle.isEmpty()) return cycle;
        }
        path.removeLast();
        state[folder] = 2;
        return {};
    };
    QStringList folders = layers.below.keys();
    folders.sort();
    for (const QString& folder : folders) {
        const QString cycle = walk(folder);
        if (!cycle.isEmpty()) return cycle;
    }
    return {};
}

// What a folder may include must include what those may include: each list is complete.
QStringList MissingBelow(const Layers& layers) {
    QStringList missing;
    for (auto it = layers.below.begin(); it != layers.below.end(); ++it)
        for (const QString& part : it.value()) {
            if (part.contains(QLatin1Char('/')) || part == QLatin1String("*")) continue;
            if (!layers.below.contains(part))
                missing << QStringLiteral("%1 names %2, which is no layer").arg(it.key(), part);
            for (const QString& deeper : layers.below.value(part))
                if (!deeper.contains(QLatin1Char('/')) && !it.value().contains(deeper))
                    missing << QStringLiteral("%1 may include %2 but not %3, which %2 includes")
                                   .arg(it.key(), part, deeper);
        }
    return missing;
}

Layers ProjectLayers() {
    QFile file(QStringLiteral(BRISVANE_LAYERS_FILE));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) qFatal("no %s", BRISVANE_LAYERS_FILE);
    return ParseLayers(QString::fromUtf8(file.readAll()));
}

void Plant(const QString& root, const QString& name, const QByteArray& text) {
    const QString path = root + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot plant %s", qPrintable(path));
    file.write(text);
}

}  // namespace

class IncludeRulesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void SourceTree_Should_IncludeOnlyWhatItsLayerMay() {
        const QString root = qEnvironmentVariable("BRISVANE_SOURCE_DIR");
        QVERIFY(QDir(root).exists(QStringLiteral("CMakeLists.txt")));
        const QStringList found = Violations(root, ProjectLayers());
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
    }

    void Layers_Should_FormNoCycle_AndEachListBeComplete() {
        const Layers layers = ProjectLayers();
        QVERIFY(layers.below.size() >= 10);
        QCOMPARE(CycleIn(layers), QString());
        const QStringList missing = MissingBelow(layers);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    }

    // The checker itself, on planted trees against the project's layers.
    void Checker_Should_NameEveryWrongWayInclude_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("named");  // in the one violation expected; empty: none
        const auto row = [](const char* tag, const char* file, const char* text,
                            const char* named) {
            QTest::newRow(tag) << QString::fromLatin1(file) << QByteArray(text)
                               << QString::fromLatin1(named);
        };
        row("platform sees the engine", "platform/PictureBox.h",
            "#pragma once\n#include <QWidget>\n#include \"inpaint/PictureAccess.h\"\n",
            "platform/PictureBox.h:3 includes \"inpaint/PictureAccess.h\"");
        row("output sees the list", "output/SaveSteps.cpp", "#include \"filelist/FileList.h\"\n",
            "output/SaveSteps.cpp:1 includes \"filelist/FileList.h\"");
        row("platform sees the helpers", "platform/Dialogs.cpp", "#include \"common/AppInfo.h\"\n",
            "includes \"common/AppInfo.h\"");
        row("the list sees the editor, spaced", "filelist/Form1.cpp",
            "  #  include \"editor/Form2.h\"\n",
            "filelist/Form1.cpp:1 includes \"editor/Form2.h\"");
        row("pictures see nothing of ours", "picture/PictureFile.cpp",
            "#include \"picture/PictureFile.h\"\n#include \"platform/Dialogs.h\"\n",
            "picture/PictureFile.cpp:2 includes \"platform/Dialogs.h\"");
        row("deep in the engine", "inpaint/fast/PatchSearch.cpp",
            "#include \"inpaint/Inpainting.h\"\n#include \"picture/PictureFile.h\"\n",
            "inpaint/fast/PatchSearch.cpp:2 includes \"picture/PictureFile.h\"");
        row("tools beyond the naming", "tools/InpaintTool.cpp",
            "#include \"output/OutputNaming.h\"\n#include \"output/SaveSteps.h\"\n",
            "tools/InpaintTool.cpp:2 includes \"output/SaveSteps.h\"");
        row("an unknown folder's header", "editor/Form2.cpp", "#include \"zoom/Zoom.h\"\n",
            "includes \"zoom/Zoom.h\"");
        row("a folder with no layer", "zoom/Zoom.cpp", "#include \"zoom/Zoom.h\"\n",
            "zoom/Zoom.cpp: the folder zoom has no place");
        row("helpers see the seams", "common/AppInfo.cpp",
            "#include \"common/AppInfo.h\"\n#include \"platform/Dialogs.h\"\n", "");
        row("the editor sees the engine", "editor/Form2.cpp",
            "#include \"inpaint/Inpainting.h\"\n#include \"filelist/ListEditor.h\"\n", "");
        row("start-up sees everything", "app/main.cpp",
            "#include \"editor/Form2.h\"\n#include \"picture/PictureFile.h\"\n", "");
        row("the converter sees pictures", "converter/main.cpp",
            "#include \"picture/PictureWriter.h\"\n", "");
        row("tools see the naming", "tools/InpaintTool.cpp",
            "#include \"output/OutputNaming.h\"\n#include \"inpaint/Inpainting.h\"\n", "");
        row("tests see anything", "tests/app/StartFilesTest.cpp",
            "#include \"app/StartFiles.h\"\n#include \"StartFilesTest.moc\"\n", "");
        row("a commented include", "filelist/Form1.cpp", "// #include \"editor/Form2.h\"\n", "");
        row("not a source file", "platform/notes.txt", "#include \"editor/Form2.h\"\n", "");
    }
    void Checker_Should_NameEveryWrongWayInclude() {
        QFETCH(QString, file);
        QFETCH(QByteArray, text);
        QFETCH(QString, named);
        QTemporaryDir tree;
        Plant(tree.path(), file, text);
        const QStringList found = Violations(tree.path(), ProjectLayers());
        QCOMPARE(found.size(), named.isEmpty() ? 0 : 1);
        if (!named.isEmpty()) QVERIFY2(found[0].contains(named), qPrintable(found[0]));
    }

    void Checker_Should_SkipBuildTreesAndHiddenFolders() {
        QTemporaryDir tree;
        Plant(tree.path(), QStringLiteral("build/CMakeCache.txt"), "");
        Plant(tree.path(), QStringLiteral("build/gen/moc_Form1.cpp"), "#include \"x/y.h\"\n");
        Plant(tree.path(), QStringLiteral(".git/hooks/a.h"), "#include \"x/y.h\"\n");
        QCOMPARE(Violations(tree.path(), ProjectLayers()), QStringList());
    }

    void CycleCheck_Should_FindALoopAndAnIncompleteList() {
        QCOMPARE(CycleIn(ParseLayers(QStringLiteral("a: b\nb: c\nc:"))), QString());
        QCOMPARE(CycleIn(ParseLayers(QStringLiteral("a: b\nb: a"))), QStringLiteral("a -> b -> a"));
        QVERIFY(!CycleIn(ParseLayers(QStringLiteral("a: b/X.h\nb: c\nc: a"))).isEmpty());
        QCOMPARE(MissingBelow(ParseLayers(QStringLiteral("a: b c\nb: c\nc:"))), QStringList());
        QCOMPARE(MissingBelow(ParseLayers(QStringLiteral("a: b\nb: c\nc:"))).size(), 1);
        QCOMPARE(MissingBelow(ParseLayers(QStringLiteral("a: d"))).size(), 1);
    }
};

QTEST_GUILESS_MAIN(IncludeRulesTest)
#include "IncludeRulesTest.moc"
