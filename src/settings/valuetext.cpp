#include "settings/valuetext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

QString formatFraction(double value, int maxFractionDigits)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");

    // Fixed notation of the largest double needs 309 integer digits.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed,
        std::clamp(maxFractionDigits, 1, 30));
    std::string text(buffer, result.ptr);

    const std::size_t point = text.find('.');
    std::size_t end = text.size();
    while (end > point + 2 && text[end - 1] == '0')
        --end;
    text.resize(end);
    if (text.compare(0, 2, "0.") == 0)
        text.erase(0, 1);

    const bool zero = text.find_first_not_of("0.") == std::string::npos;
    if (value < 0 && !zero)
        text.insert(text.begin(), '-');
    return QString::fromLatin1(text);
}

QString dateText(const QDateTime& date)
{
    return date.isValid() ? date.toString(Qt::ISODateWithMs) : QString();
}

QDateTime dateFromText(const QString& text)
{
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}
