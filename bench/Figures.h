#pragma once

#include <QFile>

#include <chrono>

// Steady clock in nanoseconds: the same clock in every process, so that a child's moment can be
// compared with the parent's.
inline qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
}

// A figure of this process's /proc/self/status in KiB, by its field name ("VmRSS:", "VmHWM:").
inline qint64 statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Resident memory of this process, in KiB.
inline qint64 rssKiB()
{
    return statusKiB("VmRSS:");
}
