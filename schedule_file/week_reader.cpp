// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule_file/week_reader.h"

#include "schedule_file/byte_order_mark.h"

#include "schedule/number_format.h"

#include <QCoreApplication>

// The core is built a few files to one (unity build): the local names here
// differ from those of schedule_reader.cpp.
namespace {
constexpr int weekShownLength = 24;
constexpr char weekHeader[] = "Daywheel week 1";

bool isWeekBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The words of a line, split at runs of blanks.
QList<QByteArrayView> fieldsOf(QByteArrayView text)
{
    QList<QByteArrayView> fields;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool blank = i == text.size() || isWeekBlank(text[i]);
        if (blank && start >= 0) {
            fields.append(text.sliced(start, i - start));
            start = -1;
        } else if (!blank && start < 0) {
            start = i;
        }
    }
    return fields;
}

// A word of the file as a message quotes it; only printable ASCII gets this
// far, and only the first 24 bytes are shown.
QString shownWord(QByteArrayView word)
{
    QString shown = QString::fromLatin1(word.first(qMin(word.size(), qsizetype(weekShownLength))));
    if (word.size() > weekShownLength)
        shown += QLatin1String("...");
    return shown;
}

QString weekFileDayName(int isoWeekday)
{
    return QString::fromLatin1(WeekReader::dayNames[std::size_t(isoWeekday - 1)]);
}

// The ISO weekday a day's name stands for; 0 for none.
int weekdayNamed(QByteArrayView name)
{
    for (int i = 0; i < Week::days; ++i) {
        if (name == WeekReader::dayNames[std::size_t(i)])
            return i + 1;
    }
    return 0;
}

// A slot as a value line numbers it, 1..96; 0 for anything else.
int slotNumbered(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 3)
        return 0;
    int slot = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        slot = slot * 10 + (c - '0');
    }
    return slot <= WeekReader::slotsPerDay ? slot : 0;
}

// What a setting's name looks like: a lowercase letter, then lowercase
// letters, digits, '-' or '_'.
bool isSettingWord(QByteArrayView word)
{
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char c = word[i];
        const bool letter = c >= 'a' && c <= 'z';
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '-' || c == '_')))
            return false;
    }
    return true;
}

// A number of at most 999 with an optional sign; none for anything else.
std::optional<int> wholeNumber(QByteArrayView text)
{
    const bool signed_ = !text.isEmpty() && (text[0] == '-' || text[0] == '+');
    const QByteArrayView digits = text.sliced(signed_ ? 1 : 0);
    if (digits.isEmpty() || digits.size() > 3)
        return std::nullopt;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return signed_ && text[0] == '-' ? -n : n;
}

// Degrees with at most two decimals ("52.5", "-0.05", "13"), in hundredths.
std::optional<int> hundredthsOf(QByteArrayView text)
{
    const qsizetype point = text.indexOf('.');
    const QByteArrayView fraction = point < 0 ? QByteArrayView() : text.sliced(point + 1);
    if (point >= 0 && (fraction.isEmpty() || fraction.size() > 2 || fraction[0] == '-' || fraction[0] == '+'))
        return std::nullopt;
    const QByteArrayView whole = point < 0 ? text : text.first(point);
    const std::optional<int> degrees = wholeNumber(whole);
    const std::optional<int> part = fraction.isEmpty() ? 0 : wholeNumber(fraction);
    if (!degrees || !part)
        return std::nullopt;
    const int hundredths = qAbs(*degrees) * 100 + *part * (fraction.size() == 1 ? 10 : 1);
    return whole[0] == '-' ? -hundredths : hundredths;
}

// A day as "2026-12-20", within the board's calendar.
std::optional<QDate> fileDate(QByteArrayView text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    for (qsizetype i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
    }
    const auto number = [&](qsizetype from, qsizetype length) { return text.sliced(from, length).toInt(); };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    if (!date.isValid() || date.year() < 2000 || date.year() > 2099)
        return std::nullopt;
    return date;
}
}

void WeekReader::feed(QByteArrayView bytes)
{
    byte_order_mark::feed(offset, bytes, [this](char c) { take(c); }, [this] { return done(); });
}

void WeekReader::finish()
{
    if (done())
        return;
    byte_order_mark::finish(offset, [this](char c) { take(c); }, [this] { return done(); });
    if (!done())
        endLine();
    if (!done() && !headerRead)
        refuse(QCoreApplication::translate("ScheduleFile", "the file is empty; a week file begins with the line "
                                                            "\"%1\"")
                   .arg(QLatin1String(weekHeader)));
    else if (!done() && daysRead == 0)
        refuse(QCoreApplication::translate("ScheduleFile", "the file ends after its first line; a week file holds "
                                                            "seven days, Mon to Sun"));
    else if (!done() && daysRead < Week::days)
        refuse(QCoreApplication::translate("ScheduleFile", "the file ends after the line for %1; a week file "
                                                            "holds seven days, Mon to Sun")
                   .arg(weekFileDayName(daysRead)));
    ended = true;
}

void WeekReader::copyTo(Week &week) const
{
    for (int day = 0; day < Week::days; ++day) {
        for (int slot = 1; slot <= slotsPerDay; ++slot)
            week.day(day + 1).set(slot, dayValues[std::size_t(day)][std::size_t(slot - 1)]);
    }
    week.settings = settings;
}

void WeekReader::take(char c)
{
    const bool crLfPair = c == '\n' && lastWasCr;
    lastWasCr = c == '\r';

    if (c == '\r' || c == '\n') {
        if (!crLfPair) {
            endLine();
            ++line;
        }
        return;
    }
    // At once, not when the line ends: a device's endless NUL bytes hold no
    // line end.
    if ((c < 0x20 || c > 0x7e) && c != '\t')
        refuse(QCoreApplication::translate("ScheduleFile", "line %1 holds something other than plain ASCII text "
                                                            "(control bytes, binary data or another encoding)")
                   .arg(line));
    else if (lineText.size() >= longestLine)
        refuse(QCoreApplication::translate("ScheduleFile", "line %1 is longer than any line of a week file")
                   .arg(line));
    else
        lineText.append(c);
}

void WeekReader::refuse(const QString &why)
{
    cause = why;
    // A first line that names this program makes the file a week file
    // (or a newer kind), however the line goes on.
    if (!headerRead) {
        const Fields fields = fieldsOf(lineText);
        named = !fields.isEmpty() && fields[0] == "Daywheel";
    }
}

void WeekReader::endLine()
{
    const Fields fields = fieldsOf(lineText);
    if (!fields.isEmpty()) {
        if (!headerRead)
            readHeader(fields);
        else if (daysRead < Week::days)
            readDay(fields);
        else
            readSetting(fields);
    }
    lineText.clear();
}

void WeekReader::readHeader(const Fields &fields)
{
    const QLatin1String header(weekHeader);
    if (fields[0] != "Daywheel")
        return refuse(QCoreApplication::translate("ScheduleFile", "the file does not begin with the line \"%1\"")
                          .arg(header));
    if (fields.size() > 1 && fields[1] != "week")
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 names a kind of file, \"%2\", that this "
                                                                   "Daywheel does not know (written by a newer "
                                                                   "Daywheel?)")
                          .arg(line)
                          .arg(shownWord(fields[1])));
    if (fields.size() > 2 && fields[2] != "1")
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 names week file version \"%2\", which "
                                                                   "this Daywheel does not know (written by a "
                                                                   "newer Daywheel?)")
                          .arg(line)
                          .arg(shownWord(fields[2])));
    if (fields.size() != 3)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 should read \"%2\"").arg(line).arg(header));
    headerRead = true;
    named = true;
}

void WeekReader::readDay(const Fields &fields)
{
    const QString name = weekFileDayName(daysRead + 1);
    if (fields[0] != WeekReader::dayNames[std::size_t(daysRead)])
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 begins with \"%2\" where %3 was "
                                                                   "expected; the days come in order, Mon to Sun")
                          .arg(line)
                          .arg(shownWord(fields[0]), name));
    if (fields.size() > 2)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 holds more than %2 and one run of %3 "
                                                                   "digits")
                          .arg(line)
                          .arg(name)
                          .arg(slotsPerDay));
    const QByteArrayView digits = fields.size() == 2 ? fields[1] : QByteArrayView();
    auto &day = dayValues[std::size_t(daysRead)];
    for (qsizetype i = 0; i < digits.size() && i < slotsPerDay; ++i) {
        const char digit = digits[i];
        if (digit != '0' && digit != '1')
            return refuse(QCoreApplication::translate("ScheduleFile", "line %1 holds \"%2\" for %3's slot %4; a "
                                                                       "day's digits are 0 and 1")
                              .arg(line)
                              .arg(QChar::fromLatin1(digit))
                              .arg(name)
                              .arg(i + 1));
        day[std::size_t(i)] = qint16(digit - '0');
    }
    if (digits.size() != slotsPerDay)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 holds %2 digits for %3; a day has %4, "
                                                                   "one for each quarter hour")
                          .arg(line)
                          .arg(digits.size())
                          .arg(name)
                          .arg(slotsPerDay));
    ++daysRead;
}

void WeekReader::readSetting(const Fields &fields)
{
    const QByteArrayView word = fields[0];
    if (word == "value")
        return readValue(fields);
    if (word == "place")
        return readPlace(fields);
    if (word == "dark")
        return readDark(fields);
    if (word == "away")
        return readAway(fields);
    if (isSettingWord(word))
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 holds the setting \"%2\", which this "
                                                                   "Daywheel does not know (written by a newer "
                                                                   "Daywheel?)")
                          .arg(line)
                          .arg(shownWord(word)));
    refuse(QCoreApplication::translate("ScheduleFile", "line %1 holds \"%2\" after the seven days, where only "
                                                        "settings may follow")
               .arg(line)
               .arg(shownWord(word)));
}

void WeekReader::readValue(const Fields &fields)
{
    if (fields.size() != 4)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 should hold \"value\", a day, a slot "
                                                                   "and a value, as in \"value Mon 25 7\"")
                          .arg(line));
    const int weekday = weekdayNamed(fields[1]);
    if (weekday == 0)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 names the day \"%2\"; the days are Mon, "
                                                                   "Tue, Wed, Thu, Fri, Sat and Sun")
                          .arg(line)
                          .arg(shownWord(fields[1])));
    const int slot = slotNumbered(fields[2]);
    if (slot == 0)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 names the slot \"%2\"; the slots are "
                                                                   "numbered 1 to %3")
                          .arg(line)
                          .arg(shownWord(fields[2]))
                          .arg(slotsPerDay));
    // The day file's grammar and its messages.
    const DecimalNumber number = readDecimal(fields[3]);
    if (number.length != fields[3].size())
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 holds \"%2\", which is not a number")
                          .arg(line)
                          .arg(shownWord(fields[3])));
    const std::optional<qint16> value = roundedInt16(number.value);
    if (!value)
        return refuse(QCoreApplication::translate("ScheduleFile", "the value %1 on line %2 lies outside "
                                                                   "-32768..32767")
                          .arg(shownWord(fields[3]))
                          .arg(line));

    const QString name = weekFileDayName(weekday);
    const std::size_t day = std::size_t(weekday - 1), at = std::size_t(slot - 1);
    if (valued[day][at])
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 gives %2's slot %3 a value a second time")
                          .arg(line)
                          .arg(name)
                          .arg(slot));
    if (*value == 0 || *value == 1)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 gives %2's slot %3 the value %4; 0 and "
                                                                   "1 belong in the day's digits")
                          .arg(line)
                          .arg(name)
                          .arg(slot)
                          .arg(*value));
    if (dayValues[day][at] != 0)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 gives a value to %2's slot %3, whose "
                                                                   "digit is 1, not 0")
                          .arg(line)
                          .arg(name)
                          .arg(slot));
    dayValues[day][at] = *value;
    valued[day].set(at);
}

void WeekReader::refuseRepeated(const QByteArray &setting)
{
    refuse(QCoreApplication::translate("ScheduleFile", "line %1 gives \"%2\" a second time; each setting is given "
                                                        "once")
               .arg(line)
               .arg(QLatin1String(setting)));
}

void WeekReader::readPlace(const Fields &fields)
{
    if (fields.size() != 3)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 should hold \"place\", a latitude and a "
                                                                   "longitude, as in \"place 52.50 13.37\"")
                          .arg(line));
    if (settings.place)
        return refuseRepeated("place");
    std::array<int, 2> degrees{};
    for (std::size_t i = 0; i < degrees.size(); ++i) {
        const std::optional<int> read = hundredthsOf(fields[qsizetype(i + 1)]);
        if (!read)
            return refuse(QCoreApplication::translate("ScheduleFile", "line %1 holds \"%2\", which is not a number "
                                                                       "of degrees with at most two decimals")
                              .arg(line)
                              .arg(shownWord(fields[qsizetype(i + 1)])));
        degrees[i] = *read;
    }
    if (qAbs(degrees[0]) > 9000 || qAbs(degrees[1]) > 18000)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 gives the place %2 %3; the latitude lies "
                                                                   "within -90..90, the longitude within -180..180")
                          .arg(line)
                          .arg(shownWord(fields[1]), shownWord(fields[2])));
    settings.place = Place{degrees[0], degrees[1]};
}

void WeekReader::readDark(const Fields &fields)
{
    if (fields.size() != 5)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 should hold \"dark\", a day, sunset or "
                                                                   "civil and the minutes dusk and dawn move, as in "
                                                                   "\"dark Mon sunset +0 +0\"")
                          .arg(line));
    const int weekday = weekdayNamed(fields[1]);
    if (weekday == 0)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 names the day \"%2\"; the days are Mon, "
                                                                   "Tue, Wed, Thu, Fri, Sat and Sun")
                          .arg(line)
                          .arg(shownWord(fields[1])));
    std::optional<DarkSetting> &dark = settings.dark[std::size_t(weekday - 1)];
    if (dark)
        return refuseRepeated("dark " + fields[1].toByteArray());
    DarkSetting read;
    if (fields[2] == "civil")
        read.twilight = DarkSetting::Twilight::Civil;
    else if (fields[2] != "sunset")
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 holds \"%2\" where sunset or civil was "
                                                                   "expected")
                          .arg(line)
                          .arg(shownWord(fields[2])));
    for (const qsizetype at : {3, 4}) {
        const std::optional<int> minutes = wholeNumber(fields[at]);
        if (!minutes || qAbs(*minutes) > DarkSetting::maxShift)
            return refuse(QCoreApplication::translate("ScheduleFile", "line %1 moves an edge by \"%2\" minutes; an "
                                                                       "edge moves by whole minutes, -%3 to %3")
                              .arg(line)
                              .arg(shownWord(fields[at]))
                              .arg(DarkSetting::maxShift));
        (at == 3 ? read.duskMinutes : read.dawnMinutes) = *minutes;
    }
    dark = read;
}

void WeekReader::readAway(const Fields &fields)
{
    if (fields.size() != 2 && fields.size() != 4)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 should hold \"away\", its minutes and "
                                                                   "either no day or the first and the last, as in "
                                                                   "\"away 30 2026-12-20 2027-01-06\"")
                          .arg(line));
    if (settings.away)
        return refuseRepeated("away");
    AwaySetting read;
    const std::optional<int> minutes = wholeNumber(fields[1]);
    if (!minutes || *minutes < 1 || *minutes > AwaySetting::maxMinutes)
        return refuse(QCoreApplication::translate("ScheduleFile", "line %1 holds \"%2\" where away's minutes, a "
                                                                   "whole number from 1 to %3, were expected")
                          .arg(line)
                          .arg(shownWord(fields[1]))
                          .arg(AwaySetting::maxMinutes));
    read.minutes = *minutes;
    if (fields.size() == 4) {
        for (const qsizetype at : {2, 3}) {
            const std::optional<QDate> date = fileDate(fields[at]);
            if (!date)
                return refuse(QCoreApplication::translate("ScheduleFile", "line %1 holds \"%2\" where a day from "
                                                                           "2000-01-01 to 2099-12-31 was expected, "
                                                                           "written as 2026-12-20")
                                  .arg(line)
                                  .arg(shownWord(fields[at])));
            (at == 2 ? read.first : read.last) = date;
        }
        if (*read.last < *read.first)
            return refuse(QCoreApplication::translate("ScheduleFile", "line %1 ends away on %2, before it begins on "
                                                                       "%3")
                              .arg(line)
                              .arg(shownWord(fields[3]), shownWord(fields[2])));
    }
    settings.away = read;
}
