// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule_file/schedule_file.h"
#include "schedule_file/week_file.h"
#include "schedule_file/zone_place.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

Q_DECLARE_METATYPE(Week)
Q_DECLARE_METATYPE(std::optional<Place>)

namespace {
bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Every entry of every day differs from 0, 1 and the others, and every
// setting is there, so a load that touches any shows.
Week markedWeek()
{
    Week week;
    for (int i = 0; i < Week::days * DayTable::size; ++i)
        week.day(i / DayTable::size + 1).set(i % DayTable::size, qint16(1000 + i));
    week.settings.place = Place{1, 2};
    week.settings.dark.fill(DarkSetting{DarkSetting::Twilight::Civil, 3, 4});
    week.settings.away = AwaySetting{5, QDate(2030, 1, 1), QDate(2030, 1, 2)};
    return week;
}

// A day line's 96 digits: 1 in the slots given (1..96), 0 elsewhere.
QByteArray digits(const QList<int> &on)
{
    QByteArray text(96, '0');
    for (int slot : on)
        text[slot - 1] = '1';
    return text;
}

// Monday on 06:00-08:00, Saturday on at 23:45, Sunday's first two slots 7 and -1.
Week example()
{
    Week week;
    for (int slot = 25; slot <= 32; ++slot)
        week.day(1).set(slot, 1);
    week.day(6).set(96, 1);
    week.day(7).set(1, 7);
    week.day(7).set(2, -1);
    return week;
}

const QByteArray exampleBytes = "Daywheel week 1\r\nMon " + digits({25, 26, 27, 28, 29, 30, 31, 32})
    + "\r\nTue " + digits({}) + "\r\nWed " + digits({}) + "\r\nThu " + digits({}) + "\r\nFri " + digits({})
    + "\r\nSat " + digits({96}) + "\r\nSun " + digits({}) + "\r\nvalue Sun 1 7\r\nvalue Sun 2 -1\r\n";
}

class TstWeekFile : public QObject
{
    Q_OBJECT
private slots:
    void weekAndFile_data();
    void weekAndFile();
    void refusals_data();
    void refusals();
    void zonePlace_data();
    void zonePlace();
};

void TstWeekFile::weekAndFile_data()
{
    QTest::addColumn<Week>("week");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("saved");   // what Save writes, or a file it reads

    DayTable day;
    day.set(0, 1);
    day.set(10, 5);
    Week same;
    same.setEveryDay(day);
    QTest::newRow("every day the same: the day file") << same << scheduleFileBytes(day) << true;
    Week beyond = same;
    beyond.day(2).set(97, 1);
    QTest::newRow("days differ beyond slot 96 only: the day file") << beyond << scheduleFileBytes(day) << true;
    QTest::newRow("days differ, stray values") << example() << exampleBytes << true;
    Week midnight;
    midnight.day(7).set(0, 1);
    QTest::newRow("Sunday's midnight differs")
        << midnight << "Daywheel week 1\r\n" + QByteArray("Mon Tue Wed Thu Fri Sat ").replace(" ", " " + digits({}) + "\r\n")
                           + "Sun " + digits({96}) + "\r\n" << true;

    QTest::newRow("LF only") << example() << QByteArray(exampleBytes).replace("\r\n", "\n") << false;
    QTest::newRow("CR only, no line end after the last")
        << example() << QByteArray(exampleBytes).replace("\r\n", "\r").chopped(1) << false;
    QTest::newRow("byte-order mark, blank lines, blanks and tabs")
        << example()
        << "\xEF\xBB\xBF\r\n \tDaywheel  week\t1 \r\n\r\n" + QByteArray(exampleBytes).remove(0, 17).replace(" ", "\t  ")
               + " \r\n\r\n"
        << false;
    QTest::newRow("value lines in any order, numbers as in a day file")
        << example()
        << QByteArray(exampleBytes).replace("value Sun 1 7\r\nvalue Sun 2 -1", "value Sun 2 -1.0\r\nvalue Sun 1 +7e0")
        << false;
    same.setEveryDay([] { DayTable t; for (int i = 0; i < DayTable::storedSlots; ++i) t.set(i, 1); return t; }());
    const auto settled = [](Week week, const WeekSettings &settings) { week.settings = settings; return week; };
    const AwaySetting holidays{30, QDate(2026, 12, 20), QDate(2027, 1, 6)};
    const WeekSettings all{Place{5250, 1337}, {{DarkSetting{}, {}, {}, {}, {}, {}, DarkSetting{DarkSetting::Twilight::Civil, -120, 15}}}, holidays};
    QTest::newRow("every day the same, settings: a week file")
        << settled(Week(), all) << "Daywheel week 1\r\n" + QByteArray("Mon Tue Wed Thu Fri Sat Sun ").replace(" ", " " + digits({}) + "\r\n")
               + "place 52.50 13.37\r\ndark Mon sunset +0 +0\r\ndark Sun civil -120 +15\r\naway 30 2026-12-20 2027-01-06\r\n" << true;
    QTest::newRow("settings: south, west, away without dates")
        << settled(example(), {Place{-3387, -5}, {}, AwaySetting{60, {}, {}}}) << exampleBytes + "place -33.87 -0.05\r\naway 60\r\n" << true;
    QTest::newRow("settings in any order among the values, signs and decimals left out")
        << settled(example(), {Place{-3390, 15100}, {{DarkSetting{DarkSetting::Twilight::Sunset, 0, 5}}}, holidays})
        << QByteArray(exampleBytes).replace("value Sun 2", "away +30 2026-12-20 2027-01-06\r\ndark Mon sunset 0 5\r\nvalue Sun 2") + "place -33.9 151\r\n"
        << false;
    QTest::newRow("a day file: every day") << same << QByteArray(" 1 \r\n").repeated(97) << false;
}

void TstWeekFile::weekAndFile()
{
    QFETCH(Week, week);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, saved);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("week.txt"));
    if (saved) {
        const FileResult result = saveWeek(path, week);
        QVERIFY2(result.ok(), qPrintable(result.message));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), bytes);
        QCOMPARE(isWeekFile(bytes), !week.allSame() || !week.settings.empty());
    } else {
        QVERIFY(writeBytes(path, bytes));
    }

    // Slots 0..96 of every day are read; 97..100 are in no file.
    Week loaded = markedWeek();
    const FileResult result = loadWeek(path, loaded);
    QVERIFY2(result.ok(), qPrintable(result.message));
    for (int d = 1; d <= Week::days; ++d) {
        for (int i = 0; i < DayTable::size; ++i)
            QCOMPARE(loaded.day(d).at(i), i < DayTable::storedSlots ? week.day(d).at(i) : markedWeek().day(d).at(i));
    }
    QCOMPARE(loaded.settings, week.settings);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, loaded.day(8));

    // An older Daywheel, which reads day files only, refuses a week file.
    DayTable older = markedWeek().day(1);
    QCOMPARE(loadSchedule(path, older).ok(), !isWeekFile(bytes));
    if (isWeekFile(bytes))
        QCOMPARE(older, markedWeek().day(1));
}

void TstWeekFile::refusals_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("cause");

    const auto changed = [](const QByteArray &from, const QByteArray &to) { return QByteArray(exampleBytes).replace(from, to); };
    const auto added = [](const QByteArray &line) { return exampleBytes + line + "\r\n"; };
    const QString newer = QStringLiteral(", which this Daywheel does not know (written by a newer Daywheel?)");
    QTest::newRow("newer version") << changed("week 1", "week 2") << "line 1 names week file version \"2\"" + newer;
    QTest::newRow("another kind") << changed("week 1", "month 1") << "line 1 names a kind of file, \"month\",";
    QTest::newRow("more on the first line") << changed("week 1", "week 1 x") << "line 1 should read \"Daywheel week 1\"";
    QTest::newRow("setting unknown") << added("colour Mon red") << "line 11 holds the setting \"colour\"" + newer;
    QTest::newRow("days out of order") << changed("Tue", "Wed") << "line 3 begins with \"Wed\" where Tue was expected";
    QTest::newRow("day name wrong") << changed("Mon", "Mo") << "line 2 begins with \"Mo\" where Mon was expected";
    QTest::newRow("95 digits") << changed("Tue 0", "Tue ") << "line 3 holds 95 digits for Tue; a day has 96";
    QTest::newRow("97 digits") << changed("Thu ", "Thu 0") << "line 5 holds 97 digits for Thu";
    QTest::newRow("digits apart") << changed("Tue 00", "Tue 0 0") << "line 3 holds more than Tue and one run of 96";
    QTest::newRow("digit 7") << changed("Mon 000", "Mon 007") << "line 2 holds \"7\" for Mon's slot 3; a day's digits";
    QTest::newRow("value: day") << added("value Mo 1 7") << "line 11 names the day \"Mo\"; the days are Mon, Tue";
    QTest::newRow("value: slot 0") << added("value Tue 0 7") << "line 11 names the slot \"0\"; the slots are numbered 1 to 96";
    QTest::newRow("value: slot 97") << added("value Tue 97 7") << "line 11 names the slot \"97\"";
    QTest::newRow("value: 70000") << added("value Tue 5 70000") << "the value 70000 on line 11 lies outside -32768..32767";
    QTest::newRow("value: a word") << added("value Tue 5 x") << "line 11 holds \"x\", which is not a number";
    QTest::newRow("value: 1") << added("value Tue 5 1") << "line 11 gives Tue's slot 5 the value 1; 0 and 1 belong";
    QTest::newRow("value: digit 1") << added("value Mon 25 7") << "line 11 gives a value to Mon's slot 25, whose digit is 1";
    QTest::newRow("value: twice") << added("value Sun 1 9") << "line 11 gives Sun's slot 1 a value a second time";
    QTest::newRow("value: no value") << added("value Sun 3") << "line 11 should hold \"value\", a day, a slot and a value";
    const QString again = QStringLiteral("a second time; each setting is given once");
    QTest::newRow("place twice") << added("place 1 2\r\nplace 1 2") << "line 12 gives \"place\" " + again;
    QTest::newRow("dark twice") << added("dark Tue civil +0 +0\r\ndark Tue sunset +0 +0") << "line 12 gives \"dark Tue\" " + again;
    QTest::newRow("away twice") << added("away 5\r\naway 5") << "line 12 gives \"away\" " + again;
    QTest::newRow("place: one number") << added("place 52.50") << "line 11 should hold \"place\", a latitude and a longitude";
    const QString degrees = QStringLiteral("which is not a number of degrees with at most two decimals");
    QTest::newRow("place: three decimals") << added("place 52.505 13") << "line 11 holds \"52.505\", " + degrees;
    const QString within = QStringLiteral("; the latitude lies within -90..90, the longitude within -180..180");
    QTest::newRow("place: latitude 90.01") << added("place 90.01 0") << "line 11 gives the place 90.01 0" + within;
    QTest::newRow("place: longitude -180.01") << added("place -90 -180.01") << "line 11 gives the place -90 -180.01";
    QTest::newRow("dark: no offsets") << added("dark Mon sunset") << "line 11 should hold \"dark\", a day, sunset or civil";
    QTest::newRow("dark: day") << added("dark Mo sunset +0 +0") << "line 11 names the day \"Mo\"; the days are Mon";
    QTest::newRow("dark: twilight") << added("dark Mon nautical +0 +0") << "line 11 holds \"nautical\" where sunset or civil";
    const QString edge = QStringLiteral("minutes; an edge moves by whole minutes, -120 to 120");
    QTest::newRow("dark: dawn +121") << added("dark Mon civil -120 +121") << "line 11 moves an edge by \"+121\" " + edge;
    QTest::newRow("dark: dusk 1.5") << added("dark Mon civil 1.5 0") << "line 11 moves an edge by \"1.5\" " + edge;
    const QString awayMinutes = QStringLiteral("where away's minutes, a whole number from 1 to 60, were expected");
    QTest::newRow("away: 0") << added("away 0") << "line 11 holds \"0\" " + awayMinutes;
    QTest::newRow("away: 61") << added("away 61 2026-12-20 2027-01-06") << "line 11 holds \"61\" " + awayMinutes;
    QTest::newRow("away: one day") << added("away 30 2026-12-20") << "line 11 should hold \"away\", its minutes and either";
    const QString day = QStringLiteral("where a day from 2000-01-01 to 2099-12-31 was expected");
    QTest::newRow("away: 30 February") << added("away 30 2026-02-30 2027-01-06") << "line 11 holds \"2026-02-30\" " + day;
    QTest::newRow("away: 1999") << added("away 30 2026-12-20 1999-12-31") << "line 11 holds \"1999-12-31\" " + day;
    QTest::newRow("away: last before first") << added("away 30 2026-12-20 2026-12-19")
                                             << "line 11 ends away on 2026-12-19, before it begins on 2026-12-20";
    QTest::newRow("days missing") << exampleBytes.left(17 + 3 * 102) << "the file ends after the line for Wed; a week";
    QTest::newRow("no days") << QByteArray("Daywheel week 1\r\n") << "the file ends after its first line";
    QTest::newRow("an eighth day") << added("Mon " + digits({})) << "line 11 holds \"Mon\" after the seven days";
    QTest::newRow("control byte") << changed("Wed", "W\x01") << "line 4 holds something other than plain ASCII";
    QTest::newRow("endless line") << "Daywheel week 1" + QByteArray(300, ' ') << "line 1 is longer than any line";
    QTest::newRow("more than 1 MiB") << exampleBytes + QByteArray(2 << 20, '\n') << "more than 1 MiB";
    QTest::newRow("neither kind: the day file's cause") << QByteArray(" 1 \r\n").repeated(96) << "ends after 96 values";
}

void TstWeekFile::refusals()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, cause);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("week.txt"));
    QVERIFY(writeBytes(path, bytes));
    Week week = markedWeek();
    const FileResult result = loadWeek(path, week);
    QVERIFY(!result.ok());
    QVERIFY2(result.message.contains(path) && result.message.contains(cause), qPrintable(result.message));
    QCOMPARE(week, markedWeek());
}

void TstWeekFile::zonePlace_data()
{
    QTest::addColumn<QByteArray>("zoneTab");   // null: no such file
    QTest::addColumn<QByteArray>("zone1970Tab");
    QTest::addColumn<QString>("folder");       // empty: the two tables above
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<std::optional<Place>>("place");

    const QByteArray berlin = "# tz zone descriptions\n#code\tcoordinates\tTZ\tcomments\nDE\t+5230+01322\tEurope/Berlin\tmost of Germany\n";
    const QByteArray world = "BR\t-233254-0463658\tAmerica/Sao_Paulo\tBrazil (southeast)\nAU\t-3352+15113\tAustralia/Sydney\r\n"
                             "FJ\t-1808+17825\tPacific/Fiji";
    const QByteArray zero = "DE\t+0000+00000\tEurope/Berlin\n";
    const auto at = [](int latitude, int longitude) { return std::optional(Place{latitude, longitude}); };
    QTest::newRow("seconds, south, west") << world << QByteArray() << QString() << QByteArray("America/Sao_Paulo") << at(-2355, -4662);
    QTest::newRow("last row, no line end") << world << QByteArray() << QString() << QByteArray("Pacific/Fiji") << at(-1813, 17842);
    QTest::newRow("zone.tab first") << berlin << zero << QString() << QByteArray("Europe/Berlin") << at(5250, 1337);
    QTest::newRow("only in zone1970.tab") << world << berlin << QString() << QByteArray("Europe/Berlin") << at(5250, 1337);
    QTest::newRow("past the first MiB") << QByteArray("#\n").repeated(600000) + berlin << zero << QString() << QByteArray("Europe/Berlin") << at(0, 0);
    QTest::newRow("malformed, commented, overlong or other rows")
        << "DE\t+5260+01322\tEurope/Berlin\nDE\t+5230+1322\tEurope/Berlin\nDE\t+9100+01322\tEurope/Berlin\nDE\t+5230x01322\tEurope/Berlin\n"
           "DE\t+5230+01322\n#DE\t+5230+01322\tEurope/Berlin\nDE\t+5230+01322\tEurope/Berlin\t" + QByteArray(500, 'x')
               + "\nDE\t+5230+01322\tEurope/Berlin2\n"
        << QByteArray() << QString() << QByteArray("Europe/Berlin") << std::optional<Place>();
    QTest::newRow("no row of its own: UTC") << berlin << world << QString() << QByteArray("UTC") << std::optional<Place>();
    QTest::newRow("no folder") << QByteArray() << QByteArray() << "/nonexistent" << QByteArray("Europe/Berlin") << std::optional<Place>();
    if (QFile::exists(QStringLiteral("/usr/share/zoneinfo/zone.tab")))
        QTest::newRow("the host's") << QByteArray() << QByteArray() << "/usr/share/zoneinfo" << QByteArray("Europe/Berlin") << at(5250, 1337);
}

void TstWeekFile::zonePlace()
{
    QFETCH(QByteArray, zoneTab);
    QFETCH(QByteArray, zone1970Tab);
    QFETCH(QString, folder);
    QFETCH(QByteArray, zone);
    QFETCH(std::optional<Place>, place);

    QTemporaryDir dir;
    QVERIFY(zoneTab.isNull() || writeBytes(dir.filePath(QStringLiteral("zone.tab")), zoneTab));
    QVERIFY(zone1970Tab.isNull() || writeBytes(dir.filePath(QStringLiteral("zone1970.tab")), zone1970Tab));
    QCOMPARE(::zonePlace(zone, folder.isEmpty() ? dir.path() : folder), place);
}

QTEST_GUILESS_MAIN(TstWeekFile)
#include "tst_week_file.moc"
