#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

// File names as the system knows them. On Linux a name is a string of bytes, mostly UTF-8 but
// not always: old cameras and archives give Latin-1 names such as "caf\xe9.jpg". Such a name is
// carried as text without loss: every byte that is not part of valid UTF-8 becomes one of the
// characters U+DC80..U+DCFF (which valid UTF-8 never gives) and turns back into that byte when
// the file is opened. Windows names are UTF-16 text already and are used as they are.

// The text of a name's bytes; valid UTF-8 reads as it does everywhere else in Qt.
QString NameFromBytes(const QByteArray& bytes);
// The bytes of a name: UTF-8, with every byte that NameFromBytes set aside put back.
QByteArray NameBytes(const QString& name);

// The program's command line, every argument read by NameFromBytes (on Windows,
// QCoreApplication::arguments(), so the application must exist).
QStringList ProgramArguments(int argc, char* argv[]);

// A line for the terminal; a name in it comes out as the bytes it came in as.
QByteArray TerminalText(const QString& text);

// What is at a name, looked up by its bytes.
struct FileFacts {
    bool exists = false;
    bool isFile = false;  // a file, or a link to one
    qint64 size = 0;
};
FileFacts FactsOf(const QString& name);

// Opens the file `name` (by its bytes) into `file` for reading. Returns an empty text, or why it
// cannot be opened ("Permission denied").
QString OpenToRead(QFile& file, const QString& name);
