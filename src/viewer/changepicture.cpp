#include "viewer/changepicture.h"

#include "catalogue/module1.h"
#include "decoder/decoderpool.h"
#include "decoder/isolateddecoding.h"
#include "viewer/picturefit.h"
#include "viewer/window2.h"
#include "widgets/canvas.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace Module1 {

namespace {

std::function<void()>& missingFileAlert()
{
    static std::function<void()> alert;
    return alert;
}

void showMissingFileAlert(QWidget* parent)
{
    if (missingFileAlert()) {
        missingFileAlert()();
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString(), QStringLiteral("This file doesn't exist anymore"),
                    QMessageBox::Ok, parent);
    box.exec();
}

QSize mainScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

} // namespace

void setMissingFileAlert(std::function<void()> alert)
{
    missingFileAlert() = std::move(alert);
}

void changepicture()
{
    const QSize screen = mainScreenSize();
    Window2* viewer = Window2::instance();
    const Catalogue& catalogue = Module1::catalogue();
    const QByteArray path = catalogue.bildfile(catalogue.clickedpic);
    if (path.isEmpty()) {
        viewer->close();
        return;
    }

    // A file that crashes or hangs its helper shows as one that cannot be
    // decoded; the window waits at most a few of the pool's time limits.
    const QImage picture = decodeForScreenInHelper(DecoderPool::shared(), path, screen);
    if (picture.isNull()) {
        showMissingFileAlert(viewer);
        return;
    }

    viewer->Canvas1->setPicture(picture);
    viewer->Canvas1->setGeometry(QRect(centredPosition(screen, picture.size()), picture.size()));
}

} // namespace Module1
