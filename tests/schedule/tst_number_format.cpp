// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/number_format.h"

#include <QTest>

class TstNumberFormat : public QObject
{
    Q_OBJECT
private slots:
    void decimalPattern_data();
    void decimalPattern();
    void twoDigitsAndSigned();
    void boundaryLabels_data();
    void boundaryLabels();
};

void TstNumberFormat::decimalPattern_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("6.04 one decimal") << 6.04 << 1 << "6.";
    QTest::newRow("96 one decimal") << 96.0 << 1 << "96.";
    QTest::newRow("0.5") << 0.5 << 1 << ".5";
    QTest::newRow("-3.7") << -3.7 << 1 << "-3.7";
    QTest::newRow("zero") << 0.0 << 2 << ".";
    QTest::newRow("tiny negative rounds to zero") << -0.01 << 1 << ".";
    QTest::newRow("14.333") << 14.0 + 1.0 / 3 << 2 << "14.33";
    QTest::newRow("58.333") << 58.0 + 1.0 / 3 << 2 << "58.33";
    QTest::newRow("6 two decimals") << 6.0 << 2 << "6.";
    QTest::newRow("rounding carries") << 9.996 << 2 << "10.";
    QTest::newRow("trailing zero dropped") << 1.50 << 2 << "1.5";
    QTest::newRow("23.983") << 23.0 + 59.0 / 60 << 2 << "23.98";
}

void TstNumberFormat::decimalPattern()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(formatDecimalPattern(value, decimals), text);
}

void TstNumberFormat::twoDigitsAndSigned()
{
    QCOMPARE(formatTwoDigits(0), QStringLiteral("00"));
    QCOMPARE(formatTwoDigits(7), QStringLiteral("07"));
    QCOMPARE(formatTwoDigits(23), QStringLiteral("23"));
    QCOMPARE(formatTwoDigits(123), QStringLiteral("123"));
    QCOMPARE(formatSignedInteger(10), QStringLiteral(" 10"));
    QCOMPARE(formatSignedInteger(0), QStringLiteral(" 0"));
    QCOMPARE(formatSignedInteger(-1), QStringLiteral("-1"));
    QCOMPARE(formatSignedInteger(-32768), QStringLiteral("-32768"));
}

void TstNumberFormat::boundaryLabels_data()
{
    QTest::addColumn<int>("boundary");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "00:00";
    QTest::newRow("3") << 3 << "00:45";
    QTest::newRow("4") << 4 << "01:00";
    QTest::newRow("24") << 24 << "06:00";
    QTest::newRow("37") << 37 << "09:15";
    QTest::newRow("95") << 95 << "23:45";
}

void TstNumberFormat::boundaryLabels()
{
    QFETCH(int, boundary);
    QFETCH(QString, text);
    QCOMPARE(boundaryLabelText(boundary), text);
}

QTEST_APPLESS_MAIN(TstNumberFormat)
#include "tst_number_format.moc"
