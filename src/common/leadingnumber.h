#pragma once

#include <QStringView>

// The leading decimal number of a text ("102abc" -> 102, "1.0.2" -> 1.0,
// " 7" -> 7, "-3.5e2x" -> -350), 0 when the text does not begin with one.
// Leading blanks are skipped.
double leadingNumber(QStringView text);
