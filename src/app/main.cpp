#include "app/scancontrol.h"
#include "app/window1.h"

#include <QApplication>
#include <QLoggingCategory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder named on the command line, as absolute path bytes; empty when
// none is named or it is not a folder.
QByteArray folderArgument(int argc, char** argv)
{
    if (argc < 2)
        return {};
    QByteArray folder(argv[1]);
    if (!folder.startsWith('/')) {
        char here[4096];
        if (!::getcwd(here, sizeof here))
            return {};
        folder = QByteArray(here) + '/' + folder;
    }
    struct stat status {};
    if (::stat(folder.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return {};
    return folder;
}

} // namespace

// lumigrid [FOLDER]: with a folder, its scan starts as if it had been chosen
// with "Choose Path".
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumigrid"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    // Damaged pictures are skipped silently; the program keeps no log.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    Window1* window = Window1::instance();
    window->show();
    // QApplication has taken its own options out of argv.
    const QByteArray folder = folderArgument(argc, argv);
    if (!folder.isEmpty())
        window->scanControl->startScan(folder);
    return QApplication::exec();
}
