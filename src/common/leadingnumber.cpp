#include "common/leadingnumber.h"

#include <charconv>
#include <string>

double leadingNumber(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && (text[start] == u' ' || text[start] == u'\t'))
        ++start;

    // Collect the longest run that can belong to a decimal number, then let
    // from_chars (locale independent) decide how much of it really is one:
    // "1.0.2" stops after "1.0", "102abc" after "102".
    std::string digits;
    for (qsizetype i = start; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool numeric = (c >= u'0' && c <= u'9') || c == u'.' || c == u'e' || c == u'E'
            || ((c == u'-' || c == u'+') && (digits.empty() || digits.back() == 'e' || digits.back() == 'E'));
        if (!numeric)
            break;
        digits.push_back(char(c));
    }
    const char* first = digits.data();
    const char* last = digits.data() + digits.size();
    if (first != last && *first == '+')
        ++first;
    double value = 0.0;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    return result.ec == std::errc() ? value : 0.0;
}
