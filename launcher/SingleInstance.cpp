#include "SingleInstance.h"

#include "PictureFolder.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <cstdlib>
#include <filesystem>

namespace portico {
namespace {

constexpr int kTimeoutMs = 1000;
constexpr char kRaise[] = "raise\n";

QString userFolder() {
    // The picture folder is already the private per-user runtime folder.
    try {
        return QString::fromStdString(defaultPictureFolder().string());
    } catch (...) {
        return {};
    }
}

void raiseFirstWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->windowType() == Qt::ToolTip || window->windowType() == Qt::Popup) continue;
        if (window->isMinimized()) window->showNormal();
        window->raise();
        window->activateWindow();
        return;
    }
}

}  // namespace

SingleInstance::SingleInstance(const QString& name, const QString& folder) : raise_(raiseFirstWindow) {
    const QString base = folder.isEmpty() ? userFolder() : folder;
    if (base.isEmpty()) return;  // no private folder: run without the check
    path_ = base + "/" + name + ".socket";
    if (askRunningInstance()) {
        primary_ = false;
        return;
    }
    listen();
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::askRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(path_);
    if (!socket.waitForConnected(kTimeoutMs)) return false;
    socket.write(kRaise);
    const bool sent = socket.waitForBytesWritten(kTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

void SingleInstance::listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered: a socket file left by a crashed instance is stale.
    QLocalServer::removeServer(path_);
    if (!server_->listen(path_)) return;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->readAll().startsWith("raise")) return;
                emit raiseRequested();
                if (raise_) raise_();
            });
        }
    });
}

}  // namespace portico
