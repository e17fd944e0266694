#pragma once

#include <QFile>
#include <QtTest>

// A file under tests/data, whole: what a server sends, byte for byte. It is found as Qt's own
// tests find theirs, beside the test's source or its executable.
#define TEST_DATA(path) readTestData(QFINDTESTDATA(path))
inline QByteArray readTestData(const QString &found)
{
    QFile file(found);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
