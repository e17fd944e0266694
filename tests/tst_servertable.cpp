#include "ServerTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void addRow(const char *name, const QByteArray &contents, int rows, const QString &suffix = {},
            const QString &host = {})
{
    QTest::newRow(name) << contents << rows << suffix << host;
}

} // namespace

class tst_servertable : public QObject
{
    Q_OBJECT

private slots:
    void loadBytes_data();
    void loadBytes();
    void loadFile();
};

void tst_servertable::loadBytes_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("rows"); // -1: loading fails
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("host");

    const QString none = QString::fromLatin1(ServerTable::NoServer);
    const QByteArray mixed("caf\xe9,latin1.example\r\nna\xc3\xafve,utf8.example\r\n");
    addRow("blank and space-only lines: empty table", "\r\n   \n\r  \r\n", 0, "", none);
    addRow("201 rows, blank lines not counted", QByteArray("a,b\r\n \r\n").repeated(200) + "z,y",
           201, "z", "y");
    addRow("202nd row is fatal", QByteArray("a,b\n").repeated(202), -1);
    addRow("line without a comma", "com,a\r\nnocomma\r\n", -1);
    addRow("tab-only line is not blank", "com,a\r\n\t\t\r\n", -1);
    addRow("CR, LF, CR LF and LF CR end lines", "a,1\rb,2\nc,3\r\nd,4\n\re,5", 5, "b", "2");
    addRow("line trimmed, spaces beside the comma kept, third field ignored",
           "  sp , host.example ,note  ", 1, "sp ", " host.example ");
    addRow("first duplicate wins", "com,first.example\r\ncom,second", 2, "com", "first.example");
    addRow("comma alone: empty suffix and host", "com,x\r\n,", 2, "", "");
    addRow("capitals never match", "COM,whois.example", 1, "com", none);
    addRow("Latin-1 line", mixed, 2, QStringLiteral("café"), "latin1.example");
    addRow("UTF-8 line", mixed, 2, QStringLiteral("naïve"), "utf8.example");
}

void tst_servertable::loadBytes()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, rows);
    QFETCH(QString, suffix);
    QFETCH(QString, host);

    ServerTable table;
    QCOMPARE(table.LoadServers(contents), rows >= 0);
    if (rows >= 0) {
        QCOMPARE(table.rowCount(), rows);
        QCOMPARE(table.FindServer(suffix), host);
    }
}

void tst_servertable::loadFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(ServerTable::FileName));
    ServerTable table;
    QVERIFY(!table.LoadServers(path)); // missing
    QVERIFY(QDir().mkdir(path));
    QVERIFY(!table.LoadServers(path)); // a directory in its place
    QVERIFY(QDir().rmdir(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("com,whois.example\r\nnet,whois.net.example\r\n");
    file.close();
    QVERIFY(table.LoadServers(path));
    QCOMPARE(table.FindServer(QStringLiteral("net")), QStringLiteral("whois.net.example"));
}

QTEST_GUILESS_MAIN(tst_servertable)
#include "tst_servertable.moc"
