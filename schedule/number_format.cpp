#include "schedule/number_format.h"

#include <cmath>

QString formatTwoDigits(long long value)
{
    const QString digits = QString::number(value < 0 ? -value : value).rightJustified(2, u'0');
    return value < 0 ? u'-' + digits : digits;
}

QString formatDecimalPattern(double value, int decimals)
{
    long long scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const long long scaled = std::llround(std::fabs(value) * double(scale));
    const long long whole = scaled / scale;
    QString fraction = QString::number(scaled % scale).rightJustified(decimals, u'0');
    while (fraction.endsWith(u'0'))
        fraction.chop(1);

    QString text;
    if (value < 0 && scaled != 0)
        text += u'-';
    if (whole != 0)
        text += QString::number(whole);
    return text + u'.' + fraction;
}

QString formatSignedInteger(long long value)
{
    return value < 0 ? QString::number(value) : u' ' + QString::number(value);
}

QString boundaryLabelText(int boundary)
{
    const int minutes = boundary * 15;
    return formatTwoDigits(minutes / 60) + u':' + formatTwoDigits((boundary % 4) * 15);
}
