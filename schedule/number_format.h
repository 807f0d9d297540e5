#pragma once

#include <QString>

// The number texts shown in captions, titles and files.

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
