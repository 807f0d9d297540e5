// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

// The number texts the program writes (captions, titles, files) and the one
// decimal grammar it reads numbers in (schedule files, the port prompt, the
// board's replies).

// "00": at least two digits with a leading zero; negative values keep their sign.
QString formatTwoDigits(long long value);

// "##.#" (decimals = 1) and "##.##" (decimals = 2): no leading zero, the point
// always written, the fraction rounded half away from zero with trailing
// zeros dropped. 6.04 -> "6.", 0.5 -> ".5", -3.7 -> "-3.7", 0 -> ".".
QString formatDecimalPattern(double value, int decimals);

// Signed-integer form: a blank in the sign position for values >= 0.
// 10 -> " 10", -1 -> "-1".
QString formatSignedInteger(long long value);

// Boundary b (0..95) as the time of day b x 15 minutes after midnight: "06:00".
QString boundaryLabelText(int boundary);

enum class Exponent { Allowed, Refused };

// The decimal number text begins with: an optional sign, digits with an
// optional fraction ("1", "-1", "1.", ".5"; at least one digit), and where
// allowed an optional exponent ("1e3", "2.5E-2"). An exponent without digits
// is not part of the number: "12e" reads as 12.
struct DecimalNumber
{
    // Bytes the number spans; 0 when text does not begin with one.
    qsizetype length = 0;
    // Bytes that keep to the grammar before the first that cannot continue
    // it, an unfinished sign, point or exponent included: 3 for "1e+x".
    qsizetype reach = 0;
    // Its value, correctly rounded. Beyond a double's range: 0 when the
    // exponent is negative (too small is as good as 0), otherwise infinity
    // with the number's sign.
    double value = 0;
};
DecimalNumber readDecimal(QByteArrayView text, Exponent exponent = Exponent::Allowed);

// value rounded to the nearest whole number, a half to the even one (as
// BASIC's integer conversion does), if that lies in -32768..32767.
std::optional<qint16> roundedInt16(double value);
