#include "app/reveal.h"

#include "catalogue/rawpath.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

namespace Reveal {

namespace {

void openContainingFolder(const QByteArray& path, const std::function<void()>& failed)
{
    const QByteArray folder = path.left(std::max<qsizetype>(1, path.lastIndexOf('/')));
    if (!QDesktopServices::openUrl(QUrl::fromEncoded(RawPath::fileUri(folder))) && failed)
        failed();
}

} // namespace

void showInFileManager(const QByteArray& path, std::function<void()> failed)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openContainingFolder(path, failed);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"), QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("ShowItems"));
    // The URI is percent-encoded ASCII, so it carries any name's bytes.
    call << QStringList {QString::fromLatin1(RawPath::fileUri(path))} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
        [path, failed = std::move(failed)](QDBusPendingCallWatcher* answered) {
            if (answered->isError())
                openContainingFolder(path, failed);
            answered->deleteLater();
        });
}

} // namespace Reveal
