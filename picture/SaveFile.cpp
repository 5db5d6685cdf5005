#include "picture/SaveFile.h"

#include <utility>

#include "picture/FileNames.h"

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#endif

#ifdef Q_OS_WIN

SaveFile::SaveFile(QString target) : target_(std::move(target)), file_(target_) {}

SaveFile::~SaveFile() = default;  // QSaveFile drops what was not committed

bool SaveFile::Open() {
    if (file_.open(QIODevice::WriteOnly)) return true;
    error_ = file_.errorString();
    return false;
}

QIODevice& SaveFile::Device() {
    return file_;
}

bool SaveFile::Commit() {
    if (file_.commit()) return true;
    error_ = file_.errorString();
    return false;
}

void SaveFile::Cancel() {
    file_.cancelWriting();
}

#else

namespace {

// The part of the target's name kept in the temporary name, so that it still fits where the
// target's own name only just fits (most systems allow 255 bytes).
constexpr int kPartNameChars = 40;

// The file a link points to; the name itself when it is not a link or the link is broken.
QByteArray RealTarget(const QByteArray& target) {
    struct stat facts {};
    if (::lstat(target.constData(), &facts) != 0 || !S_ISLNK(facts.st_mode)) return target;
    char* resolved = ::realpath(target.constData(), nullptr);
    if (!resolved) return target;
    const QByteArray real(resolved);
    std::free(resolved);
    return real;
}

QByteArray PartStem(const QString& target) {
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    QString name = target.mid(slash + 1).left(kPartNameChars);
    if (!name.isEmpty() && name.back().isHighSurrogate()) name.chop(1);  // never half a character
    return NameBytes(target.left(slash + 1) + QLatin1Char('.') + name);
}

}  // namespace

SaveFile::SaveFile(QString target) : target_(std::move(target)) {}

SaveFile::~SaveFile() {
    Cancel();
}

bool SaveFile::Fail(int error) {
    error_ = QString::fromLocal8Bit(std::strerror(error));
    Cancel();
    return false;
}

bool SaveFile::Open() {
    const QByteArray target = RealTarget(NameBytes(target_));
    struct stat old {};
    const bool replacing = ::stat(target.constData(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) return Fail(EISDIR);
    const QByteArray stem = PartStem(NameFromBytes(target));
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        const quint32 random = QRandomGenerator::global()->generate();
        partName_ = stem + '.' + QByteArray::number(random, 16).rightJustified(8, '0') + ".part";
        fd = ::open(partName_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            const int error = errno;
            partName_.clear();
            return Fail(error);
        }
    }
    if (fd < 0) {
        partName_.clear();
        return Fail(EEXIST);
    }
    if (replacing) ::fchmod(fd, old.st_mode & 07777);
    if (!file_.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error_ = file_.errorString();
        Cancel();
        return false;
    }
    return true;
}

QIODevice& SaveFile::Device() {
    return file_;
}

bool SaveFile::Commit() {
    if (!file_.isOpen()) {
        if (error_.isEmpty()) error_ = QStringLiteral("the file was not opened");
        return false;
    }
    if (!file_.flush() || file_.error() != QFileDevice::NoError) {
        error_ = file_.errorString();
        Cancel();
        return false;
    }
    if (::fsync(file_.handle()) != 0) return Fail(errno);
    file_.close();
    const QByteArray target = RealTarget(NameBytes(target_));
    if (::rename(partName_.constData(), target.constData()) != 0) return Fail(errno);
    partName_.clear();
    return true;
}

void SaveFile::Cancel() {
    file_.close();
    if (!partName_.isEmpty()) ::unlink(partName_.constData());
    partName_.clear();
}

#endif
