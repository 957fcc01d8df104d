#include "ui/shell/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include "ui/shell/desktop_environment.h"

namespace qx7::ui {
namespace {

constexpr int kConnectTimeoutMs = 1000;
const QByteArray kRaise = QByteArrayLiteral("raise\n");

}  // namespace

SingleInstance::SingleInstance(const QString& name) : server_name_(name + QStringLiteral("-") + UserSessionKey()) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::AnotherCopyRuns() {
    QLocalSocket probe;
    probe.connectToServer(server_name_);
    if (probe.waitForConnected(kConnectTimeoutMs)) {
        probe.write(kRaise);
        probe.waitForBytesWritten(kConnectTimeoutMs);
        probe.disconnectFromServer();
        return true;
    }
    // Nobody answers: a socket left by a copy that crashed is removed.
    QLocalServer::removeServer(server_name_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(server_name_)) return false;  // run anyway, without the marker
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection()) {
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().startsWith(kRaise.trimmed())) emit raiseRequested();
            });
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
    return false;
}

}  // namespace qx7::ui
