#pragma once
#include <QByteArray>
#include <QCoreApplication>
#include <QStringList>
#include <cstddef>
#include <cstdint>

// Shared by the fuzz targets: one application object (picture plug-ins are found through it)
// and the fuzzer's bytes cut into arguments at each NUL.
namespace fuzz {

// Decoders complain about every damaged file through Qt's log; the fuzzer has no use for that.
inline void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

inline void StartApplication() {
    qInstallMessageHandler(Quiet);
    static int argc = 1;
    static char name[] = "brisvane-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

inline QByteArray Bytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The program's name, then one argument per NUL-separated piece (UTF-8, as a terminal gives).
inline QStringList Arguments(const std::uint8_t* data, std::size_t size) {
    QStringList args{QStringLiteral("program")};
    for (const QByteArray& piece : Bytes(data, size).split('\0')) args << QString::fromUtf8(piece);
    return args;
}

}  // namespace fuzz
