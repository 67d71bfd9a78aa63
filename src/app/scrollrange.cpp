#include "app/scrollrange.h"

#include <cmath>

ScrollRange scrollRange(int x, bool issmaller)
{
    const int visibleEntries = issmaller ? 24 : 30;
    const int visibleRows = issmaller ? 4 : 5;
    if (x <= visibleEntries)
        return {false, 0};
    return {true, int(std::ceil(x / 6.0)) - visibleRows};
}
