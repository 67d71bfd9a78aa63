#include "common/textcompare.h"

bool sameText(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
