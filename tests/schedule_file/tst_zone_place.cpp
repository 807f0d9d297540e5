// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule_file/zone_place.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(std::optional<Place>)

class TstZonePlace : public QObject
{
    Q_OBJECT
private slots:
    void zonePlace_data();
    void zonePlace();
};

void TstZonePlace::zonePlace_data()
{
    QTest::addColumn<QByteArray>("zoneTab");       // null: no such file
    QTest::addColumn<QByteArray>("zone1970Tab");
    QTest::addColumn<QString>("folder");           // empty: the tables above
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<std::optional<Place>>("place");

    const QByteArray header = "# tz zone descriptions\n#\n#country-\n#code\tcoordinates\tTZ\tcomments\n";
    const QByteArray berlin = header + "DE\t+5230+01322\tEurope/Berlin\tmost of Germany\n";
    const QByteArray world = "BR\t-233254-0463658\tAmerica/Sao_Paulo\tBrazil (southeast)\nAU\t-3352+15113\tAustralia/Sydney\r\n"
                             "AQ\t-9000+00000\tAntarctica/South_Pole\nFJ\t-1808+17825\tPacific/Fiji";
    const std::optional<Place> none;
    QTest::newRow("minutes") << berlin << QByteArray() << QString() << QByteArrayLiteral("Europe/Berlin") << std::optional(Place{5250, 1337});
    QTest::newRow("seconds, south and west") << world << QByteArray() << QString() << QByteArrayLiteral("America/Sao_Paulo")
                                             << std::optional(Place{-2355, -4662});
    QTest::newRow("a row ending in CR LF")
        << world << QByteArray() << QString() << QByteArrayLiteral("Australia/Sydney") << std::optional(Place{-3387, 15122});
    QTest::newRow("south pole") << world << QByteArray() << QString() << QByteArrayLiteral("Antarctica/South_Pole") << std::optional(Place{-9000, 0});
    QTest::newRow("last row, no line end") << world << QByteArray() << QString() << QByteArrayLiteral("Pacific/Fiji")
                                           << std::optional(Place{-1813, 17842});
    QTest::newRow("zone.tab first") << berlin << QByteArray("DE\t+0000+00000\tEurope/Berlin\n") << QString()
                                    << QByteArrayLiteral("Europe/Berlin") << std::optional(Place{5250, 1337});
    QTest::newRow("only in zone1970.tab") << world << berlin << QString() << QByteArrayLiteral("Europe/Berlin")
                                          << std::optional(Place{5250, 1337});
    QTest::newRow("no zone.tab") << QByteArray() << berlin << QString() << QByteArrayLiteral("Europe/Berlin")
                                 << std::optional(Place{5250, 1337});
    QTest::newRow("past the first MiB of zone.tab") << QByteArray("#\n").repeated(600000) + berlin
                                                    << QByteArray("DE\t+0000+00000\tEurope/Berlin\n") << QString()
                                                    << QByteArrayLiteral("Europe/Berlin") << std::optional(Place{0, 0});
    QTest::newRow("malformed rows skipped")
        << "DE\t+5260+01322\tEurope/Berlin\nDE\t+5230+1322\tEurope/Berlin\nDE\t+9100+01322\tEurope/Berlin\n"
           "DE\t+5230x01322\tEurope/Berlin\nDE\t+5230+01322\n#DE\t+5230+01322\tEurope/Berlin\n"
           "DE\t+5230+01322\tEurope/Berlin\t" + QByteArray(500, 'x') + "\nDE\t+5230+01322\tEurope/Berlin2\n"
        << QByteArray() << QString() << QByteArrayLiteral("Europe/Berlin") << none;
    QTest::newRow("no row of its own: UTC") << berlin << world << QString() << QByteArrayLiteral("UTC") << none;
    QTest::newRow("no zone") << berlin << world << QString() << QByteArray() << none;
    QTest::newRow("missing folder") << QByteArray() << QByteArray() << QStringLiteral("/nonexistent/zoneinfo")
                                    << QByteArrayLiteral("Europe/Berlin") << none;
    if (QFile::exists(QStringLiteral("/usr/share/zoneinfo/zone.tab")))
        QTest::newRow("the host's Europe/Berlin") << QByteArray() << QByteArray() << QStringLiteral("/usr/share/zoneinfo")
                                                  << QByteArrayLiteral("Europe/Berlin") << std::optional(Place{5250, 1337});
}

void TstZonePlace::zonePlace()
{
    QFETCH(QByteArray, zoneTab);
    QFETCH(QByteArray, zone1970Tab);
    QFETCH(QString, folder);
    QFETCH(QByteArray, zone);
    QFETCH(std::optional<Place>, place);

    QTemporaryDir dir;
    for (const auto &[name, bytes] : {std::pair{QStringLiteral("zone.tab"), zoneTab}, {QStringLiteral("zone1970.tab"), zone1970Tab}}) {
        QFile table(dir.filePath(name));
        if (!bytes.isNull())
            QVERIFY(table.open(QIODevice::WriteOnly) && table.write(bytes) == bytes.size());
    }
    QCOMPARE(::zonePlace(zone, folder.isEmpty() ? dir.path() : folder), place);
}

QTEST_GUILESS_MAIN(TstZonePlace)
#include "tst_zone_place.moc"
