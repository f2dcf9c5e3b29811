#pragma once

#include <QList>
#include <QString>

#include <utility>

// Loopback addresses of a server's own. All of 127.0.0.0/8 reaches this machine, so a random
// 127.a.b.0/24 block per server keeps two test runs apart, and apart from the machine's own
// servers on 127.0.0.1 and 127.0.1.1.
struct LoopbackBlock {
    QString prefix;  // "127.a.b.", to be followed by a host number; empty on failure
    QString error;   // why no block could be had

    QString address(int host) const { return prefix + QString::number(host); }
};

// A block where every (host number, port) of `listeners` can be taken now; a block where one
// is taken is passed over for another.
LoopbackBlock freeLoopbackBlock(const QList<std::pair<int, int>>& listeners);
