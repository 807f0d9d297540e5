// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule_file/schedule_file.h"
#include "schedule_file/schedule_reader.h"
#include "support/capabilities.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/resource.h>

using Values = QList<int>;
Q_DECLARE_METATYPE(DayTable)

namespace {
QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A day whose every slot differs from 0 and from its neighbours, so a load
// that touches any slot shows.
DayTable markedDay()
{
    DayTable t;
    for (int i = 0; i < DayTable::size; ++i)
        t.set(i, qint16(1000 + i));
    return t;
}

// 97 values: the given ones first, then as many of `fill` as needed.
Values values(Values first, int fill = 0)
{
    while (first.size() < ScheduleReader::valueCount)
        first.append(fill);
    return first;
}

QByteArray lines(int count, const QByteArray &line)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += line;
    return out;
}

// Runs the reader over the bytes, in one piece or byte by byte.
ScheduleReader read(const QByteArray &bytes, bool byteByByte)
{
    ScheduleReader reader;
    if (byteByByte) {
        for (char c : bytes)
            reader.feed(QByteArrayView(&c, 1));
    } else {
        reader.feed(bytes);
    }
    reader.finish();
    return reader;
}

// Keeps a file-size limit in force for one scope, with SIGXFSZ ignored so
// an over-long write fails instead of ending the test.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    }
    bool active = false;

private:
    rlimit saved{};
    void (*oldHandler)(int) = nullptr;
};
}

class TstScheduleFile : public QObject
{
    Q_OBJECT
private slots:
    void savedBytes_data();
    void savedBytes();
    void saveThenLoad();
    void midnightTakesTheLastValue();
    void reader_data();
    void reader();
    void readerErrors_data();
    void readerErrors();
    void loadFailureKeepsTable_data();
    void loadFailureKeepsTable();
    void saveFailureKeepsOldFile_data();
    void saveFailureKeepsOldFile();
    void saveReplacesExistingFile();
    void partWriteKeepsOldFile();
    void readOnlyFolder_data();
    void readOnlyFolder();
};

void TstScheduleFile::savedBytes_data()
{
    QTest::addColumn<DayTable>("day");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("all off") << DayTable() << lines(97, " 0 \r\n");

    DayTable mix;
    mix.set(0, 1);
    mix.set(1, 2);
    mix.set(2, -1);
    mix.set(95, 1);
    mix.set(96, 1);
    mix.set(97, 5);   // beyond slot 96: never written
    QByteArray expected = " 1 \r\n 2 \r\n-1 \r\n" + lines(92, " 0 \r\n") + " 1 \r\n 1 \r\n";
    QTest::newRow("mix with 2 and -1") << mix << expected;

    DayTable extremes;
    extremes.set(10, 32767);
    extremes.set(11, -32768);
    QTest::newRow("extremes") << extremes
                              << lines(10, " 0 \r\n") + " 32767 \r\n-32768 \r\n" + lines(85, " 0 \r\n");
}

void TstScheduleFile::savedBytes()
{
    QFETCH(DayTable, day);
    QFETCH(QByteArray, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("suntime.txt"));
    const FileResult result = saveSchedule(path, day);
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(fileBytes(path), expected);
}

void TstScheduleFile::saveThenLoad()
{
    DayTable saved;
    for (int i = 0; i < DayTable::storedSlots; ++i)
        saved.set(i, qint16((i * 37) % 5 - 2));
    saved.set(40, 32767);
    saved.set(41, -32768);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("day.txt"));
    QVERIFY(saveSchedule(path, saved).ok());

    DayTable loaded = markedDay();
    const FileResult result = loadSchedule(path, loaded);
    QVERIFY2(result.ok(), qPrintable(result.message));
    for (int i = 0; i < DayTable::storedSlots; ++i)
        QCOMPARE(loaded.at(i), saved.at(i));
    for (int i = DayTable::storedSlots; i < DayTable::size; ++i)
        QCOMPARE(loaded.at(i), qint16(1000 + i));   // slots 97..100 are not in the file
}

void TstScheduleFile::midnightTakesTheLastValue()
{
    // Older programs could save 23:45-24:00 with its two entries apart; the
    // last one is what the pointer and the clock used.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.txt"));
    for (const qint16 last : {qint16(0), qint16(1)}) {
        QVERIFY(writeBytes(path, (last ? " 0 \r\n" : " 1 \r\n") + lines(95, " 0 \r\n")
                                      + (last ? " 1 \r\n" : " 0 \r\n")));
        DayTable day;
        QVERIFY(loadSchedule(path, day).ok());
        QCOMPARE(day.at(0), last);
        QCOMPARE(day.at(96), last);
    }
}

void TstScheduleFile::reader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Values>("expected");

    QTest::newRow("bare numbers, CR LF") << lines(48, "1\r\n0\r\n") + "1\r\n"
                                         << [] { Values v; for (int i = 0; i < 97; ++i) v << (i % 2 == 0); return v; }();
    QTest::newRow("LF only") << " 1 \n-1 \n" + lines(95, " 7 \n") << values({1, -1}, 7);
    QTest::newRow("CR only") << "3\r4\r" + lines(95, "0\r") << values({3, 4});
    QTest::newRow("no line end after the last") << lines(96, "2\n") + "5" << values({}, 2).mid(0, 96) + Values{5};
    QTest::newRow("several per line with commas") << "1,2,3\r\n4, 5 ,6\r\n" + lines(91, "0\r\n")
                                                   << values({1, 2, 3, 4, 5, 6});
    QTest::newRow("blank separates values") << "1 2\t3\r\n" + lines(94, "0\r\n") << values({1, 2, 3});
    QTest::newRow("empty field between commas") << "1,,2\r\n,3\r\n" + lines(92, "0\r\n")
                                                << values({1, 0, 2, 0, 3});
    QTest::newRow("comma at line end adds nothing") << "1,\r\n2 ,\r\n" + lines(95, "0\r\n") << values({1, 2});
    QTest::newRow("blank lines and a comma after the 97th") << lines(96, "1\r\n") + "1,\r\n\r\n \t\r\n" << values({}, 1);
    QTest::newRow("blank lines between values") << "\r\n1\r\n\r\n   \r\n2\n\n" + lines(95, "0\r\n") + "\r\n"
                                                << values({1, 2});
    QTest::newRow("fractions and exponents rounded, halves to even")
        << "1.0\r\n1.5\r\n2.5\r\n-0.5\r\n1e0\r\n.5\r\n5.\r\n2E1\r\n-1.5e+1\r\n0.6\r\n1e-400\r\n" + lines(86, "0\r\n")
        << values({1, 2, 2, 0, 1, 0, 5, 20, -15, 1, 0});
    QTest::newRow("byte-order mark skipped") << "\xEF\xBB\xBF 1 \r\n" + lines(96, " 1 \r\n") << values({}, 1);
    QTest::newRow("signs and leading zeros") << "+5\r\n-007\r\n00\r\n" + lines(94, "0\r\n") << values({5, -7, 0});
    QTest::newRow("range limits") << "32767\r\n-32768\r\n" + lines(95, "0\r\n") << values({32767, -32768});
}

void TstScheduleFile::reader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Values, expected);
    QCOMPARE(expected.size(), ScheduleReader::valueCount);

    for (bool byteByByte : {false, true}) {
        const ScheduleReader r = read(bytes, byteByByte);
        QVERIFY2(r.complete(), qPrintable(r.error()));
        Values got;
        for (qint16 v : r.values())
            got << v;
        QCOMPARE(got, expected);
    }
}

void TstScheduleFile::readerErrors_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("cause");

    QTest::newRow("empty") << QByteArray() << "holds no values";
    QTest::newRow("96 lines") << lines(96, " 1 \r\n") << "ends after 96 values";
    QTest::newRow("blank lines do not count") << lines(96, " 1 \r\n") + "\r\n\r\n" << "ends after 96 values";
    QTest::newRow("70000") << lines(4, " 0 \r\n") + " 70000 \r\n" + lines(92, " 0 \r\n")
                           << "value 70000 on line 5 lies outside -32768..32767";
    QTest::newRow("-32769") << "-32769\n" + lines(96, "0\n") << "value -32769 on line 1";
    QTest::newRow("32768 in the last place") << lines(96, "0\n") + "32768" << "value 32768 on line 97";
    QTest::newRow("very long number") << "1" + QByteArray(40, '9') + "\n" + lines(96, "0\n")
                                      << "lies outside -32768..32767";
    QTest::newRow("1e999") << lines(2, "0\n") + "1e999\n" + lines(94, "0\n") << "value 1e999 on line 3 lies outside";
    QTest::newRow("a word") << lines(3, "0\n") + "abc\n" + lines(93, "0\n") << "line 4 holds \"abc\", which is not a number";
    QTest::newRow("a sign alone") << "-\n" + lines(96, "0\n") << "line 1 holds \"-\"";
    QTest::newRow("trailing letters") << "12x\n" + lines(96, "0\n") << "line 1 holds \"12x\"";
    QTest::newRow("an exponent without digits") << "12e\n" + lines(96, "0\n") << "line 1 holds \"12e\"";
    QTest::newRow("two signs") << "0\n--3\n" + lines(95, "0\n") << "line 2 holds \"--3\"";
    QTest::newRow("NUL bytes") << QByteArray(5000, '\0') << "line 1 holds something other than numbers";
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFE" "1\0\r\0\n\0", 8) << "line 1 holds something other than numbers";
    QTest::newRow("half a byte-order mark") << "\xEF\xBB" "1\n" + lines(96, "0\n") << "line 1 holds something other";
    QTest::newRow("98 values") << lines(98, "0\n") << "line 98 holds a 98th value; a schedule has 97";
    QTest::newRow("decimal commas") << lines(97, "1,0\n") << "line 1 holds 2 values: a decimal comma?";
    QTest::newRow("one decimal comma") << lines(29, "0\n") + "1,0\n" + lines(67, "0\n")
                                       << "line 30 holds 2 values: a decimal comma? A schedule has one value per line, 97 in all";
    QTest::newRow("field too long") << QByteArray(300, '0') << "line 1 is too long";
    QTest::newRow("word too long") << QByteArray(300, 'x') << "line 1 holds \"" + QString(24, u'x') + "...\"";
}

void TstScheduleFile::readerErrors()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, cause);

    for (bool byteByByte : {false, true}) {
        const ScheduleReader r = read(bytes, byteByByte);
        QVERIFY(r.failed());
        QVERIFY(!r.complete());
        QVERIFY2(r.error().contains(cause), qPrintable(r.error()));
    }
}

void TstScheduleFile::loadFailureKeepsTable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cause");

    QTest::newRow("file missing") << "gone.txt" << "";
    QTest::newRow("a folder") << "folder" << "";
    QTest::newRow("path through a regular file") << "short.txt/x" << "";
    QTest::newRow("cut short") << "short.txt" << "ends after 50 values";
    QTest::newRow("70000") << "big.txt" << "70000";
    QTest::newRow("prose") << "prose.txt" << "line 1 holds \"The\"";
    QTest::newRow("binary junk") << "junk.txt" << "something other than numbers";
    QTest::newRow("10 MiB of blanks") << "blanks.txt" << "more than 1 MiB";
    QTest::newRow("a link to /dev/zero") << "zero.txt" << "a device";
    QTest::newRow("a pipe") << "pipe.txt" << "a pipe";
}

void TstScheduleFile::loadFailureKeepsTable()
{
    QFETCH(QString, name);
    QFETCH(QString, cause);

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("short.txt")), lines(50, " 1 \r\n")));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("big.txt")), lines(30, " 1 \r\n") + "70000\r\n" + lines(66, " 1 \r\n")));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("prose.txt")), "The\nquick brown fox\n" + lines(95, "jumps\n")));
    QByteArray junk(4096, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(junk.data()), junk.size() / 4);
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("junk.txt")), junk));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("blanks.txt")), " 1 \r\n" + QByteArray(10 << 20, ' ')));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), dir.filePath(QStringLiteral("zero.txt"))));
    QCOMPARE(mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.txt"))).constData(), 0600), 0);

    const QString path = dir.filePath(name);
    DayTable day = markedDay();
    const FileResult result = loadSchedule(path, day);
    QVERIFY(!result.ok());
    QVERIFY2(result.message.contains(path), qPrintable(result.message));
    QVERIFY2(result.message.contains(cause), qPrintable(result.message));
    QCOMPARE(day, markedDay());
}

void TstScheduleFile::saveFailureKeepsOldFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cause");

    QTest::newRow("empty name") << "sub/" << "no file name was given";
    QTest::newRow("missing folder") << "nowhere/suntime.txt" << "does not exist";
    QTest::newRow("path through a regular file") << "old.txt/suntime.txt" << "is not a folder";
    QTest::newRow("a folder where the file should be") << "sub" << "";
}

void TstScheduleFile::saveFailureKeepsOldFile()
{
    QFETCH(QString, name);
    QFETCH(QString, cause);

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QString old = dir.filePath(QStringLiteral("old.txt"));
    QVERIFY(writeBytes(old, "old content\r\n"));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    const QString path = dir.path() + u'/' + name;
    const FileResult result = saveSchedule(path, DayTable());
    QVERIFY(!result.ok());
    QVERIFY2(result.message.contains(path), qPrintable(result.message));
    QVERIFY2(result.message.contains(cause), qPrintable(result.message));
    QCOMPARE(fileBytes(old), QByteArray("old content\r\n"));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("sub"))).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
}

void TstScheduleFile::saveReplacesExistingFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("suntime.txt"));
    QVERIFY(writeBytes(path, lines(200, "a much longer old file\r\n")));
    DayTable t;
    t.set(5, 1);
    QVERIFY(saveSchedule(path, t).ok());
    QCOMPARE(fileBytes(path), lines(5, " 0 \r\n") + " 1 \r\n" + lines(91, " 0 \r\n"));
}

void TstScheduleFile::partWriteKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("suntime.txt"));
    const QByteArray old = "old\r\n";
    QVERIFY(writeBytes(path, old));
    DayTable t;
    t.set(3, 1);

    FileResult result;
    {
        // Room for a few lines only: the write stops part-way through.
        FileSizeLimit limit(100);
        QVERIFY(limit.active);
        result = saveSchedule(path, t);
    }
    QVERIFY(!result.ok());
    QVERIFY2(result.message.contains(path), qPrintable(result.message));
    QVERIFY2(result.message.contains(QStringLiteral("could not be written in full")), qPrintable(result.message));
    QCOMPARE(fileBytes(path), old);
    // No half-written temporary file is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("suntime.txt")});

    // With the limit gone the same save goes through.
    QVERIFY(saveSchedule(path, t).ok());
    QCOMPARE(fileBytes(path).size(), 485);
}

void TstScheduleFile::readOnlyFolder_data()
{
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<bool>("diskFull");
    QTest::addColumn<QString>("cause");
    QTest::newRow("its file is rewritten in place") << true << false << "";
    QTest::newRow("no file: nothing to write to") << false << false << "ermission denied";
    QTest::newRow("full disk: the old content is put back") << true << true << "old content was put back";
}

void TstScheduleFile::readOnlyFolder()
{
    QFETCH(bool, fileThere);
    QFETCH(bool, diskFull);
    QFETCH(QString, cause);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("suntime.txt"));
    const QByteArray old = "old\r\n";
    if (fileThere)
        QVERIFY(writeBytes(path, old));
    DayTable t;
    t.set(7, 1);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    FileResult result;
    {
        WithoutCapabilities bind(WithoutCapabilities::filePermissions);
        std::optional<FileSizeLimit> limit;
        if (diskFull)
            limit.emplace(100);
        result = saveSchedule(path, t);
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    if (cause.isEmpty()) {
        QVERIFY2(result.ok(), qPrintable(result.message));
        QCOMPARE(fileBytes(path), scheduleFileBytes(t));
        return;
    }
    QVERIFY(!result.ok());
    QVERIFY2(result.message.contains(path) && result.message.contains(cause), qPrintable(result.message));
    QCOMPARE(QFileInfo::exists(path), fileThere);
    if (fileThere)
        QCOMPARE(fileBytes(path), old);
}

QTEST_GUILESS_MAIN(TstScheduleFile)
#include "tst_schedule_file.moc"
