// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: the schedule file readers, day and week, on arbitrary
// bytes. The input is the file's content; each reader reads it three ways
// (in one piece, byte by byte, and in pieces whose lengths come from the
// bytes themselves, with empty reads between them), and each way must give
// the same verdict. Any broken rule aborts, so libFuzzer keeps the input.
#include "schedule/day_table.h"
#include "schedule_file/schedule_file.h"
#include "schedule_file/schedule_reader.h"
#include "schedule_file/week_file.h"
#include "schedule_file/week_reader.h"
#include "support/fuzz_rules.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

// Longer than any message the reader writes, however long the file; a
// message that grows with the input would flood the message box.
constexpr int messageBound = 200;

struct Verdict {
    bool complete;
    bool failed;
    int count;
    QString error;
    std::array<qint16, ScheduleReader::valueCount> values;

    bool operator==(const Verdict &) const = default;
};

Verdict verdictOf(const ScheduleReader &r)
{
    Verdict v{r.complete(), r.failed(), r.valuesRead(), r.error(), {}};
    // Values past the ones read are not part of the result.
    for (int i = 0; i < r.valuesRead() && i < ScheduleReader::valueCount; ++i)
        v.values[std::size_t(i)] = r.values()[std::size_t(i)];
    return v;
}

// Feeds one piece and checks what may never happen between two pieces.
void feedChecked(ScheduleReader &r, QByteArrayView piece)
{
    const bool wasDone = r.done();
    const int countBefore = r.valuesRead();
    const Verdict before = wasDone ? verdictOf(r) : Verdict{};
    r.feed(piece);
    require(r.valuesRead() >= countBefore && r.valuesRead() <= ScheduleReader::valueCount,
            "value count went back or past 97", QString::number(r.valuesRead()));
    require(!(r.complete() && r.failed()), "complete and failed at once");
    if (wasDone)
        require(verdictOf(r) == before, "bytes after the end were still read");
}

// Feeds the pieces in turn; once the reader is done, the rest in one piece
// (it must be ignored however it comes).
void feedAll(ScheduleReader &r, QByteArrayView bytes, const QList<qsizetype> &cuts)
{
    qsizetype at = 0;
    for (qsizetype cut : cuts) {
        if (r.done())
            break;
        feedChecked(r, bytes.sliced(at, cut - at));
        at = cut;
    }
    feedChecked(r, bytes.sliced(at));
}

void finishChecked(ScheduleReader &r)
{
    const bool wasDone = r.done();
    const Verdict before = verdictOf(r);
    r.finish();
    if (wasDone)
        require(verdictOf(r) == before, "finish changed a finished reader");
    require(r.done() && r.complete() != r.failed(), "finished neither complete nor failed");
    // More bytes after the end are ignored, and so is a second finish.
    const Verdict after = verdictOf(r);
    feedChecked(r, "1\n");
    r.finish();
    require(verdictOf(r) == after, "a finished reader changed");
}

void checkMessage(const QString &e)
{
    require(!e.isEmpty(), "refused without a reason");
    require(e.size() <= messageBound, "refusal message too long", e.left(300));
    for (QChar c : e)
        require(c.unicode() >= 0x20 && c.unicode() <= 0x7e, "refusal message not printable ASCII", e);
}

void checkVerdict(const ScheduleReader &r)
{
    if (r.complete()) {
        require(r.valuesRead() == ScheduleReader::valueCount, "complete without 97 values",
                QString::number(r.valuesRead()));
        require(r.error().isEmpty(), "complete with an error", r.error());
        return;
    }
    checkMessage(r.error());
}

// The day a successful load makes of the values over a day t: slot 0
// and 96 are one quarter hour, and the later value wins; 97..100 stay.
DayTable dayOf(const ScheduleReader &r, DayTable t = {})
{
    for (int i = 0; i < ScheduleReader::valueCount; ++i)
        t.set(i, r.values()[std::size_t(i)]);
    return t;
}

// What Save writes must read back as the same day.
void checkRoundTrip(const DayTable &day)
{
    ScheduleReader again;
    again.feed(scheduleFileBytes(day));
    again.finish();
    require(again.complete(), "a saved schedule does not read back", again.error());
    require(dayOf(again) == day, "a saved schedule reads back different");
}

struct WeekVerdict {
    bool complete;
    bool recognized;
    QString error;
    Week week;

    bool operator==(const WeekVerdict &) const = default;
};

// The week reader on pieces ending at the cuts, then the rest, its week
// read over t. Once finished it takes no more bytes and no second finish.
WeekVerdict readWeek(QByteArrayView bytes, const QList<qsizetype> &cuts = {}, const Week &t = {})
{
    WeekReader r;
    qsizetype at = 0;
    for (qsizetype cut : cuts) {
        r.feed(bytes.sliced(at, cut - at));
        at = cut;
    }
    r.feed(bytes.sliced(at));
    r.finish();
    require(r.complete() != r.failed(), "week reader finished neither complete nor failed");
    WeekVerdict v{r.complete(), r.recognized(), r.error(), t};
    if (r.complete())
        r.copyTo(v.week);
    r.feed("Daywheel week 1\n");
    r.finish();
    require(r.complete() == v.complete && r.error() == v.error, "a finished week reader changed");
    return v;
}

// What loadWeek makes of the bytes over the week t: the week file's days and
// settings, or the day file's day on every day; nothing when both refuse.
std::optional<Week> weekOf(QByteArrayView bytes, Week t = {})
{
    ScheduleReader day;
    day.feed(bytes);
    day.finish();
    const WeekVerdict week = readWeek(bytes, {}, t);
    require(!(week.complete && day.complete()), "one file read as a day and as a week");
    if (week.complete)
        return week.week;
    if (!day.complete())
        return std::nullopt;
    for (int d = 1; d <= Week::days; ++d)
        t.day(d) = dayOf(day, t.day(d));
    t.settings = {};
    return t;
}

// The week reader gives one verdict however the bytes come. What loads saves
// to bytes that load the same, and as a week file to bytes that the day
// reader, an older Daywheel's, refuses.
void checkWeek(QByteArrayView bytes, const QList<QList<qsizetype>> &cutLists)
{
    const WeekVerdict expected = readWeek(bytes);
    if (!expected.complete)
        checkMessage(expected.error);
    for (const QList<qsizetype> &cuts : cutLists)
        require(readWeek(bytes, cuts) == expected, "a split input reads differently as a week", expected.error);
    if (const std::optional<Week> loaded = weekOf(bytes)) {
        require(weekOf(savedWeekBytes(*loaded)) == loaded, "a saved week reads back different");
        ScheduleReader older;
        older.feed(weekFileBytes(*loaded));
        older.finish();
        require(older.failed(), "the day reader took a week file");
    }
}

// Load, on a real file: same verdict as the reader, and a refused file leaves
// the day alone. Costs a file write, so it runs for one input in eight.
void checkLoad(const QByteArray &bytes, const ScheduleReader &r)
{
    static const QString path = [] {
        char dir[] = "/tmp/fuzz_schedule_reader.XXXXXX";
        if (!::mkdtemp(dir))
            fail("no temporary folder");
        static QString folder = QString::fromLocal8Bit(dir);
        std::atexit([] { QDir(folder).removeRecursively(); });
        return folder + QStringLiteral("/schedule.txt");
    }();
    QFile f(path);
    require(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size(),
            "cannot write the temporary file", f.errorString());
    f.close();

    DayTable day;
    for (int i = 0; i < DayTable::size; ++i)
        day.set(i, qint16(-1000 - i));
    const DayTable marked = day;
    const FileResult result = loadSchedule(path, day);
    require(result.ok() == r.complete(), "load and reader disagree", result.message);
    if (result.ok())
        require(day == dayOf(r, marked), "load made a different day");
    else
        require(day == marked && result.message.contains(r.error()),
                "a refused load changed the day or lost the reason", result.message);

    Week week;
    week.setEveryDay(marked);
    week.settings.away = AwaySetting{};
    const Week markedWeek = week;
    const std::optional<Week> expected = weekOf(bytes, week);
    const FileResult weekResult = loadWeek(path, week);
    require(weekResult.ok() == expected.has_value(), "loadWeek and the readers disagree", weekResult.message);
    const WeekVerdict verdict = readWeek(bytes);
    if (weekResult.ok())
        require(week == *expected, "loadWeek made a different week");
    else
        require(week == markedWeek && weekResult.message.contains(verdict.recognized ? verdict.error : r.error()),
                "a refused week load changed the week or lost the reason", weekResult.message);
}

// Picks the inputs that also go through a file, the same ones every run.
uint32_t fnv1a(QByteArrayView bytes)
{
    uint32_t h = 2166136261u;
    for (char c : bytes)
        h = (h ^ uint8_t(c)) * 16777619u;
    return h;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    ScheduleReader whole;
    feedChecked(whole, bytes);
    finishChecked(whole);
    checkVerdict(whole);
    const Verdict expected = verdictOf(whole);

    // Byte by byte, and in pieces whose lengths come from the bytes, with
    // empty reads between.
    QList<qsizetype> everyByte, pieces;
    for (qsizetype at = 1; at <= bytes.size(); ++at)
        everyByte.append(at);
    for (qsizetype at = 0; at < bytes.size();) {
        at = qMin(bytes.size(), at + 1 + data[at] % 37);
        pieces.append(at);
        pieces.append(at);
    }
    for (const QList<qsizetype> &cuts : {everyByte, pieces}) {
        ScheduleReader split;
        feedAll(split, bytes, cuts);
        finishChecked(split);
        require(verdictOf(split) == expected, "a split input reads differently from one piece",
                split.error() + QLatin1String(" vs ") + whole.error());
    }

    checkWeek(bytes, {everyByte, pieces});
    if (whole.complete())
        checkRoundTrip(dayOf(whole));
    if (fnv1a(bytes) % 8 == 0)
        checkLoad(bytes.toByteArray(), whole);
    return 0;
}
