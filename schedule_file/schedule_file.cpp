// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule_file/schedule_file.h"

#include "schedule/number_format.h"
#include "schedule_file/file_access.h"
#include "schedule_file/schedule_reader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
constexpr qint64 readChunk = 4096;
// 97 values padded with blank lines and blanks stay far below this.
constexpr qint64 readBound = qint64(1) << 20;

FileResult saveFailed(const QString &path, const QString &cause)
{
    return FileResult::failure(
        QCoreApplication::translate("ScheduleFile", "The schedule could not be saved to \"%1\": %2.").arg(path, cause));
}

// A write that got some bytes out before failing may leave no reason behind.
QString writeCause(const QFileDevice &file)
{
    const QString reason = file.errorString();
    if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
        return QCoreApplication::translate("ScheduleFile", "the file could not be written in full");
    return QCoreApplication::translate("ScheduleFile", "the file could not be written in full (%1)").arg(reason);
}

bool writeAll(QFile &file, const QByteArray &bytes)
{
    return file.seek(0) && file.write(bytes) == bytes.size() && file.resize(bytes.size())
        && file.flush() && file.size() == bytes.size();
}

FileResult saveInPlace(const QString &path, const QByteArray &bytes, const QString &replaceCause)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return saveFailed(path, replaceCause);
    // Kept to put back if the new content does not fit (a full disk).
    constexpr qint64 keptLimit = 1 << 20;
    const bool keep = file.size() <= keptLimit;
    const QByteArray old = keep ? file.readAll() : QByteArray();
    if (writeAll(file, bytes))
        return FileResult::success();
    const QString cause = writeCause(file);
    if (keep && writeAll(file, old))
        return saveFailed(path, QCoreApplication::translate("ScheduleFile", "%1; its folder is read-only, so it was "
                                                                      "written in place, and its old content was put back")
                                    .arg(cause));
    return saveFailed(path, QCoreApplication::translate("ScheduleFile", "%1; its folder is read-only, so it was written "
                                                                  "in place, and it may now be incomplete")
                                .arg(cause));
}

#ifdef Q_OS_UNIX
QString notRegular(mode_t mode)
{
    if (S_ISDIR(mode))
        return QCoreApplication::translate("ScheduleFile", "it is a folder, not a file");
    if (S_ISFIFO(mode))
        return QCoreApplication::translate("ScheduleFile", "it is a pipe, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QCoreApplication::translate("ScheduleFile", "it is a device, not a file");
    return QCoreApplication::translate("ScheduleFile", "it is not a regular file");
}
#endif

// Opens a regular file, or a link to one, for reading. Anything else is
// refused before it is opened (opening a serial device resets a board) and
// the open never waits (a pipe nobody writes to would hold the window).
bool openRegularFile(QFile &file, const QString &path, QString &cause)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        cause = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        cause = notRegular(info.st_mode);
        return false;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        cause = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // It may have been replaced since the stat.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        cause = notRegular(info.st_mode);
        ::close(fd);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        cause = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
#else
    file.setFileName(path);
    if (!QFileInfo(path).isFile()) {
        cause = QCoreApplication::translate("ScheduleFile", "it is not a regular file");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        cause = file.errorString();
        return false;
    }
    return true;
#endif
}
}

FileResult loadRefused(const QString &path, const QString &cause)
{
    return FileResult::failure(
        QCoreApplication::translate("ScheduleFile", "The schedule could not be loaded from \"%1\": %2.").arg(path, cause));
}

QByteArray scheduleFileBytes(const DayTable &day)
{
    QByteArray bytes;
    bytes.reserve(DayTable::storedSlots * 8);
    for (int i = 0; i < DayTable::storedSlots; ++i) {
        bytes += formatSignedInteger(day.at(i)).toLatin1();
        bytes += " \r\n";
    }
    return bytes;
}

FileResult saveSchedule(const QString &path, const DayTable &day)
{
    return writeScheduleFile(path, scheduleFileBytes(day));
}

FileResult writeScheduleFile(const QString &path, const QByteArray &bytes)
{
    // A path ending in "/" names the folder itself; say so instead of
    // leaving the user with the system's "is a directory".
    if (path.isEmpty() || path.endsWith(u'/'))
        return saveFailed(path, QCoreApplication::translate("ScheduleFile", "no file name was given"));
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.exists())
        return saveFailed(path, QCoreApplication::translate("ScheduleFile", "the folder %1 does not exist")
                                    .arg(folder.filePath()));
    if (!folder.isDir())
        return saveFailed(path, QStringLiteral("%1 is not a folder").arg(folder.filePath()));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        // A folder the user may not write to can still hold a file they may:
        // there the file can only be rewritten in place.
        if (QFileInfo(path).isFile())
            return saveInPlace(path, bytes, file.errorString());
        return saveFailed(path, file.errorString());
    }
    // QSaveFile::commit() does not notice every short write (a full disk, a
    // file-size limit) and would put a truncated file in place, so write
    // unbuffered and check what reached the file before committing.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.size() != bytes.size()) {
        const QString cause = writeCause(file);
        file.cancelWriting();
        return saveFailed(path, cause);
    }
    if (!file.commit())
        return saveFailed(path, file.errorString());
    return FileResult::success();
}

FileResult readScheduleFile(const QString &path, const std::function<bool(QByteArrayView)> &take)
{
    QFile file;
    QString cause;
    if (!openRegularFile(file, path, cause))
        return loadRefused(path, cause);

    qint64 total = 0;
    for (bool more = true; more;) {
        const QByteArray chunk = file.read(readChunk);
        if (file.error() != QFileDevice::NoError)
            return loadRefused(path, file.errorString());
        if (chunk.isEmpty())
            break;
        total += chunk.size();
        if (total > readBound)
            return loadRefused(path, QCoreApplication::translate("ScheduleFile", "it holds more than %1 MiB, "
                                                                           "far more than any schedule")
                                         .arg(readBound >> 20));
        more = take(chunk);
    }
    return FileResult::success();
}

FileResult loadSchedule(const QString &path, DayTable &day)
{
    ScheduleReader reader;
    const FileResult read = readScheduleFile(path, [&reader](QByteArrayView piece) {
        reader.feed(piece);
        return !reader.done();
    });
    if (!read.ok())
        return read;
    reader.finish();
    if (reader.failed())
        return loadRefused(path, reader.error());

    const auto &values = reader.values();
    for (int i = 0; i < ScheduleReader::valueCount; ++i)
        day.set(i, values[std::size_t(i)]);
    return FileResult::success();
}

bool isRegularFile(const QString &path)
{
    return QFileInfo(path).isFile();
}
