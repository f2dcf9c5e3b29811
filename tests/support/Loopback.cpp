#include "Loopback.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpServer>

namespace {

constexpr int attempts = 20;

QString randomPrefix()
{
    QRandomGenerator* random = QRandomGenerator::global();
    return QStringLiteral("127.%1.%2.").arg(random->bounded(20, 255)).arg(random->bounded(0, 256));
}

}  // namespace

LoopbackBlock freeLoopbackBlock(const QList<std::pair<int, int>>& listeners)
{
    QString taken;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const LoopbackBlock block{randomPrefix(), {}};
        bool free = true;
        for (const auto& [host, port] : listeners) {
            QTcpServer probe;
            if (probe.listen(QHostAddress(block.address(host)), quint16(port)))
                continue;
            if (probe.serverError() == QAbstractSocket::SocketAccessError)
                return {{}, QStringLiteral("port %1 needs root: run the tests as root or through scripts/test").arg(port)};
            if (probe.serverError() != QAbstractSocket::AddressInUseError)
                return {{}, QStringLiteral("cannot listen on %1:%2: %3").arg(block.address(host)).arg(port).arg(probe.errorString())};
            taken = QString::number(port);
            free = false;
            break;
        }
        if (free)
            return block;
    }
    return {{}, QStringLiteral("port %1 is taken on every loopback address tried, so a server of this machine "
                               "listens on all its addresses; stop it, or run the tests in a network of their own "
                               "as scripts/test does")
                    .arg(taken)};
}
