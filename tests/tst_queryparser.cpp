#include "QueryParser.h"
#include "ServerTable.h"

#include <QtTest>

namespace {

const QString connecting = QString::fromLatin1(QueryParser::ConnectingMessage);
const QString invalid = QString::fromLatin1(QueryParser::InvalidMessage);
const QString arin = QStringLiteral("whois.arin.net");

void addRow(const char *name, const QString &input, const QString &status,
            const QString &whoisServer = {}, const QString &tld = {}, const QString &queryText = {})
{
    QTest::newRow(name) << input << status << whoisServer << tld << queryText;
}

} // namespace

class tst_queryparser : public QObject
{
    Q_OBJECT

private slots:
    void parseQuery_data();
    void parseQuery();
};

void tst_queryparser::parseQuery_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("whoisServer");
    QTest::addColumn<QString>("tld");
    QTest::addColumn<QString>("queryText");

    const QString enter = QString::fromLatin1(QueryParser::EnterDomainMessage);
    addRow("three parts with co", "example.co.uk", connecting, "whois.co.uk", "co.uk",
           "example.co.uk");
    addRow("four parts with co, upper case", "a.Example.CO.UK", connecting, "whois.co.uk", "co.uk",
           "example.co.uk");
    addRow("co counts only second to last", "a.co.example.uk", connecting, "whois.uk", "uk",
           "example.uk");
    addRow("two parts have no co rule", "co.uk", connecting, "whois.uk", "uk", "co.uk");
    addRow("outer spaces trimmed, host spaces kept", "  example.sp ", connecting, " whois.sp ",
           "sp", "example.sp");
    addRow("five parts", "a.b.c.example.uk", invalid);
    addRow("single part", "localhost", enter);
    addRow("only spaces", "    ", enter);
    addRow("unlisted suffix", "example.zz", "No whois server listed to support .zz domain",
           "noserver", "zz", "example.zz");
    addRow("trailing dot looks up the empty suffix", "example.uk.",
           "No whois server listed to support . domain", "noserver", "", "uk.");
    addRow("numeric parts before a non-numeric last part", "1.1.1.a",
           "No whois server listed to support .a domain", "noserver", "a", "1.a");
    // 65540 parts: a 16-bit count that wrapped around would read 4.
    addRow("part count beyond 16 bits", QStringLiteral("a.").repeated(65539) + u'a', invalid);

    addRow("bounds, thousands separator", "0.0.0.0,255", connecting, arin, "", "0.0.0.255");
    addRow("fourth part goes as its value", "192.0.2.010", connecting, arin, "", "192.0.2.10");
    addRow("first parts go as typed", "010.1e2.+2.&H1F", connecting, arin, "", "010.1e2.+2.31");
    addRow("spaces in parts, octal", "1. 2 .3.&o17", connecting, arin, "", "1. 2 .3.15");
    addRow("half rounds down to even", "1.2.3.25e-1", connecting, arin, "", "1.2.3.2");
    addRow("half rounds up to even", "1.2.3.35e-1", connecting, arin, "", "1.2.3.4");
    addRow("rounding beyond 255", "1.2.3.2555e-1", invalid);
    addRow("fourth part beyond 16 bits", "1.2.3.65539", invalid);
    addRow("first part 256", "256.0.2.1", invalid);
    addRow("negative", "1.2.3.-1", invalid);
    addRow("empty part", "1..2.3", invalid);
    addRow("exponent without digits is not a number", "example.1e",
           "No whois server listed to support .1e domain", "noserver", "1e", "example.1e");
    addRow("hex prefix without digits", "&H.0.0.1", invalid);
    addRow("leading thousands separator", ",5.0.0.1", invalid);
    addRow("letters in a part", "a.1.1.1", invalid);
    addRow("three parts", "1.2.3", invalid);
    addRow("numeric last of two", "example.123", invalid);
    addRow("single number", "12345", invalid);
}

void tst_queryparser::parseQuery()
{
    QFETCH(QString, input);
    QFETCH(QString, status);
    QFETCH(QString, whoisServer);
    QFETCH(QString, tld);
    QFETCH(QString, queryText);

    ServerTable table;
    QVERIFY(table.LoadServers(QByteArray("uk,whois.uk\nco.uk,whois.co.uk\nsp, whois.sp ,x\n")));
    QueryState state;
    const QueryDispatch dispatch = QueryParser::parseQuery(input, state, table);
    QCOMPARE(dispatch.statusText, status);
    QCOMPARE(state.whoisServer, whoisServer);
    QCOMPARE(state.tld, tld);
    QCOMPARE(state.queryText, queryText);
    QCOMPARE(dispatch.connect, status == connecting);
    QCOMPARE(dispatch.connectHost, dispatch.connect ? whoisServer.trimmed() : QString());
    // Only domain queries wait for a registrar referral.
    QCOMPARE(dispatch.startTimer, dispatch.connect && whoisServer != arin);
}

QTEST_GUILESS_MAIN(tst_queryparser)
#include "tst_queryparser.moc"
