#include "settings/beep.h"

#include <QApplication>
#include <atomic>

namespace {
std::atomic<int> rings{0};
}

void Beep::ring()
{
    ++rings;
    QApplication::beep();
}

int Beep::count()
{
    return rings;
}
