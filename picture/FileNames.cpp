#include "picture/FileNames.h"

#include <QCoreApplication>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#endif

namespace {

constexpr char16_t kSetAsideFirst = 0xDC80;  // the byte 0x80; 0xFF is 0xDCFF

bool Continuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `i` and its code point; 0 when there is none (a
// stray byte, a cut sequence, an overlong form, a surrogate or a code point past U+10FFFF).
int SequenceAt(const unsigned char* b, qsizetype size, qsizetype i, char32_t& code) {
    const unsigned char lead = b[i];
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // no overlong forms
        if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (i + length > size || b[i + 1] < low || b[i + 1] > high) return 0;
    for (int k = 1; k < length; ++k) {
        if (!Continuation(b[i + k])) return 0;
        code = (code << 6) | (b[i + k] & 0x3F);
    }
    return length;
}

void AppendUtf8(QByteArray& out, char32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

}  // namespace

QString NameFromBytes(const QByteArray& bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData());
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t code = 0;
        const int length = SequenceAt(b, bytes.size(), i, code);
        if (length == 0) {
            name += QChar(char16_t(0xDC00 + b[i]));  // always from 0x80: ASCII is valid UTF-8
            ++i;
            continue;
        }
        if (QChar::requiresSurrogates(code)) {
            name += QChar(QChar::highSurrogate(code));
            name += QChar(QChar::lowSurrogate(code));
        } else {
            name += QChar(char16_t(code));
        }
        i += length;
    }
    return name;
}

QByteArray NameBytes(const QString& name) {
    QByteArray out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            AppendUtf8(out, QChar::surrogateToUcs4(c, name[i + 1].unicode()));
            ++i;
        } else if (c >= kSetAsideFirst && c <= 0xDCFF) {
            out += char(c - 0xDC00);
        } else if (QChar::isSurrogate(c)) {
            AppendUtf8(out, QChar::ReplacementCharacter);  // half a pair names nothing
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

QStringList ProgramArguments(int argc, char* argv[]) {
#ifdef Q_OS_WIN
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return QCoreApplication::arguments();
#else
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << NameFromBytes(QByteArray(argv[i]));
    return arguments;
#endif
}

QByteArray TerminalText(const QString& text) {
#ifdef Q_OS_WIN
    return text.toLocal8Bit();
#else
    return NameBytes(text);
#endif
}

#ifdef Q_OS_WIN

FileFacts FactsOf(const QString& name) {
    const QFileInfo info(name);
    return {info.exists(), info.isFile(), info.size()};
}

QString OpenToRead(QFile& file, const QString& name) {
    file.setFileName(name);
    return file.open(QIODevice::ReadOnly) ? QString() : file.errorString();
}

#else

FileFacts FactsOf(const QString& name) {
    struct stat facts {};
    if (::stat(NameBytes(name).constData(), &facts) != 0) return {};
    return {true, S_ISREG(facts.st_mode), qint64(facts.st_size)};
}

QString OpenToRead(QFile& file, const QString& name) {
    // Never waits: a name that turned into a pipe since it was looked at reads as empty.
    const int fd = ::open(NameBytes(name).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno));
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return {};
}

#endif
