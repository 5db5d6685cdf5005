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
#include <functional>
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

QByteArray FolderOf(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : target.left(slash + 1);
}

// "<folder>/.<the name's first characters>"; the temporary names add ".<8 hex digits>.part".
QByteArray PartStem(const QByteArray& target) {
    const QString name = NameFromBytes(target.mid(target.lastIndexOf('/') + 1));
    QString kept = name.left(kPartNameChars);
    if (!kept.isEmpty() && kept.back().isHighSurrogate()) kept.chop(1);  // never half a character
    return target.left(target.lastIndexOf('/') + 1) + '.' + NameBytes(kept);
}

// Gives `name` fresh names from `stem` until `create` makes one. Returns 0, or the errno that
// stopped it (EEXIST when no name was free).
int CreateFresh(const QByteArray& stem, QByteArray& name,
                const std::function<bool(const QByteArray&)>& create) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const quint32 random = QRandomGenerator::global()->generate();
        name = stem + '.' + QByteArray::number(random, 16).rightJustified(8, '0') + ".part";
        if (create(name)) return 0;
        if (errno != EEXIST) break;
    }
    const int error = errno;
    name.clear();
    return error;
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
    targetBytes_ = RealTarget(NameBytes(target_));
    struct stat old {};
    const bool replacing = ::stat(targetBytes_.constData(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) return Fail(EISDIR);
    int fd = -1;
#ifdef O_TMPFILE
    // A file without a name until it is complete: a writer that is killed leaves nothing.
    fd = ::open(FolderOf(targetBytes_).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#endif
    if (fd < 0) {  // a file system without nameless files: a hidden name beside the target
        const int error =
            CreateFresh(PartStem(targetBytes_), partName_, [&fd](const QByteArray& name) {
                fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
                return fd >= 0;
            });
        if (error) return Fail(error);
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
    if (partName_.isEmpty()) {  // nameless: it gets a name beside the target, then the target's
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(file_.handle());
        const int error =
            CreateFresh(PartStem(targetBytes_), partName_, [&self](const QByteArray& name) {
                return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(),
                                AT_SYMLINK_FOLLOW) == 0;
            });
        if (error) return Fail(error);
    }
    file_.close();
    if (::rename(partName_.constData(), targetBytes_.constData()) != 0) return Fail(errno);
    partName_.clear();
    return true;
}

void SaveFile::Cancel() {
    file_.close();
    if (!partName_.isEmpty()) ::unlink(partName_.constData());
    partName_.clear();
}

#endif
