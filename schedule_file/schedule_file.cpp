#include "schedule_file/schedule_file.h"

#include "schedule/number_format.h"
#include "schedule_file/schedule_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
constexpr qint64 readChunk = 4096;

FileResult saveFailed(const QString &path, const QString &cause)
{
    return FileResult::failure(QStringLiteral("The schedule could not be saved to \"%1\": %2.")
                                   .arg(path, cause));
}

// A write that got some bytes out before failing may leave no reason behind.
QString writeCause(const QFileDevice &file)
{
    const QString reason = file.errorString();
    if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
        return QStringLiteral("the file could not be written in full");
    return QStringLiteral("the file could not be written in full (%1)").arg(reason);
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
        return saveFailed(path, cause + QStringLiteral("; its folder is read-only, so it was "
                                                       "written in place, and its old content was put back"));
    return saveFailed(path, cause + QStringLiteral("; its folder is read-only, so it was written "
                                                   "in place, and it may now be incomplete"));
}

FileResult loadFailed(const QString &path, const QString &cause)
{
    return FileResult::failure(QStringLiteral("The schedule could not be loaded from \"%1\": %2.")
                                   .arg(path, cause));
}
}

QByteArray scheduleFileBytes(const DayTable &table)
{
    QByteArray bytes;
    bytes.reserve(DayTable::storedSlots * 8);
    for (int i = 0; i < DayTable::storedSlots; ++i) {
        bytes += formatSignedInteger(table.at(i)).toLatin1();
        bytes += " \r\n";
    }
    return bytes;
}

FileResult saveSchedule(const QString &path, const DayTable &table)
{
    // A path ending in "/" names the folder itself; say so instead of
    // leaving the user with the system's "is a directory".
    if (path.isEmpty() || path.endsWith(u'/'))
        return saveFailed(path, QStringLiteral("no file name was given"));
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.exists())
        return saveFailed(path, QStringLiteral("the folder %1 does not exist").arg(folder.filePath()));
    if (!folder.isDir())
        return saveFailed(path, QStringLiteral("%1 is not a folder").arg(folder.filePath()));

    const QByteArray bytes = scheduleFileBytes(table);
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

FileResult loadSchedule(const QString &path, DayTable &table)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return loadFailed(path, file.errorString());

    ScheduleReader reader;
    while (!reader.done()) {
        const QByteArray chunk = file.read(readChunk);
        if (file.error() != QFileDevice::NoError)
            return loadFailed(path, file.errorString());
        if (chunk.isEmpty())
            break;
        reader.feed(chunk);
    }
    reader.finish();
    if (reader.failed())
        return loadFailed(path, reader.error());

    const auto &values = reader.values();
    for (int i = 0; i < ScheduleReader::valueCount; ++i)
        table.set(i, values[std::size_t(i)]);
    return FileResult::success();
}
