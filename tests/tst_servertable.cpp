#include "ServerTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// count rows "s<i>,whois<i>.example", each followed by the given separator.
QByteArray numberedRows(int count, const QByteArray &separator = "\r\n")
{
    QByteArray rows;
    for (int i = 0; i < count; ++i)
        rows += "s" + QByteArray::number(i) + ",whois" + QByteArray::number(i) + ".example"
                + separator;
    return rows;
}

// rows -1: loading fails.
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
    void loadFile_data();
    void loadFile();
};

void tst_servertable::loadBytes_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("host");

    const QString none = QString::fromLatin1(ServerTable::NoServer);
    addRow("empty file", "", 0, "com", none);
    addRow("blank and space-only lines", "\r\n   \n\r  \r\n", 0, "", none);
    addRow("exactly 201 rows", numberedRows(201), 201, "s200", "whois200.example");
    addRow("202nd row is fatal", numberedRows(202), -1);
    addRow("blank lines don't count toward 201", "\r\n  \r\n" + numberedRows(201, "\r\n \r\n\r\n"),
           201, "s200", "whois200.example");
    addRow("line without a comma", "com,a\r\nnocomma\r\n", -1);
    addRow("tab-only line is not blank", "com,a\r\n\t\t\r\n", -1);
    addRow("CR, LF, CR LF and LF CR end lines", "a,1\rb,2\nc,3\r\nd,4\n\re,5", 5, "b", "2");
    addRow("whole line trimmed of spaces", "   com,whois.example   ", 1, "com", "whois.example");
    addRow("tabs are not trimmed", "\tcom,whois.example", 1, "com", none);
    addRow("third field ignored", "com,whois.example,comment", 1, "com", "whois.example");
    addRow("space before the comma stays in the suffix", "com ,whois.example", 1, "com", none);
    addRow("space after the comma stays in the host", "com, whois.example", 1, "com",
           " whois.example");
    addRow("first duplicate wins", "com,first.example\r\ncom,second.example", 2, "com",
           "first.example");
    addRow("comma alone: empty suffix and host", "com,whois.example\r\n,", 2, "", "");
    addRow("capitals never match", "COM,whois.example", 1, "com", none);
    const QByteArray mixed("caf\xe9,latin1.example\r\nna\xc3\xafve,utf8.example\r\n");
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
    if (rows < 0)
        return;
    QCOMPARE(table.rowCount(), rows);
    QCOMPARE(table.FindServer(suffix), host);
}

void tst_servertable::loadFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("loads");

    QTest::newRow("missing file") << "missing" << false;
    QTest::newRow("directory in place of the file") << "directory" << false;
    QTest::newRow("well-formed file") << "good" << true;
}

void tst_servertable::loadFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, loads);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = QString::fromLatin1(ServerTable::FileName);
    if (kind == u"directory") {
        QVERIFY(QDir(dir.path()).mkdir(name));
    } else if (kind == u"good") {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("com,whois.example\r\nnet,whois.net.example\r\n");
    }

    ServerTable table;
    QCOMPARE(table.LoadServers(dir.filePath(name)), loads);
    if (loads)
        QCOMPARE(table.FindServer(QStringLiteral("net")), QStringLiteral("whois.net.example"));
}

QTEST_GUILESS_MAIN(tst_servertable)
#include "tst_servertable.moc"
