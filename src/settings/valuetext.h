#pragma once

#include <QDateTime>
#include <QString>

// A number in the pattern "-#.0###…" with at most maxFractionDigits places:
// a minus sign for negative values, the integer digits without leading zeros
// (none at all for an integer part of 0), a point, then 1 to
// maxFractionDigits fractional digits, rounded at the last place, trailing
// zeros dropped after the first. 2 -> "2.0", 0.25 -> ".25", -1.5 -> "-1.5".
// A value that rounds to zero has no sign. Infinities and NaN are written
// "inf", "-inf" and "nan".
QString formatFraction(double value, int maxFractionDigits);

// The text form of dates, written and read back to the same date and time:
// ISO 8601 with milliseconds, and the offset from UTC when the date has one.
// An invalid date is empty text, and text that is not such a date reads as
// an invalid date.
QString dateText(const QDateTime& date);
QDateTime dateFromText(const QString& text);
