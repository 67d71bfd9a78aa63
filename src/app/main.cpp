#include "app/window1.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumigrid"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    Window1::instance()->show();
    return QApplication::exec();
}
