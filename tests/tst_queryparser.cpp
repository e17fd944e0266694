#include "NumericText.h"
#include "QueryParser.h"
#include "ServerTable.h"

#include <QtTest>

namespace {

const QByteArray servers = "com,whois.com.example\r\n"
                           "uk,whois.uk.example\r\n"
                           "co.uk,whois.co-uk.example\r\n"
                           "sp, whois.spaced.example ,host with spaces on both sides\r\n";
const QString connecting = QString::fromLatin1(QueryParser::ConnectingMessage);
const QString invalid = QString::fromLatin1(QueryParser::InvalidMessage);
const QString enter = QString::fromLatin1(QueryParser::EnterDomainMessage);
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
    void numericValue_data();
    void numericValue();
};

void tst_queryparser::parseQuery_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("whoisServer");
    QTest::addColumn<QString>("tld");
    QTest::addColumn<QString>("queryText");

    // Domain path.
    addRow("two parts, lower-cased", "Example.COM", connecting, "whois.com.example", "com",
           "example.com");
    addRow("three parts drop the first", "mail.example.com", connecting, "whois.com.example", "com",
           "example.com");
    addRow("three parts with co", "example.co.uk", connecting, "whois.co-uk.example", "co.uk",
           "example.co.uk");
    addRow("four parts with co, upper case", "shop.Example.CO.UK", connecting,
           "whois.co-uk.example", "co.uk", "example.co.uk");
    addRow("four parts without co", "a.b.example.com", connecting, "whois.com.example", "com",
           "example.com");
    addRow("co counts only second to last", "a.co.example.uk", connecting, "whois.uk.example", "uk",
           "example.uk");
    addRow("two parts have no co rule", "co.uk", connecting, "whois.uk.example", "uk", "co.uk");
    addRow("host spaces kept in state", "example.sp", connecting, " whois.spaced.example ", "sp",
           "example.sp");
    addRow("outer spaces trimmed, inner kept", "  example .com  ", connecting, "whois.com.example",
           "com", "example .com");
    addRow("five parts", "a.b.c.example.com", invalid);
    addRow("single part", "localhost", enter);
    addRow("only spaces", "    ", enter);
    addRow("unlisted suffix", "example.zz", "No whois server listed to support .zz domain",
           "noserver", "zz", "example.zz");
    addRow("trailing dot looks up the empty suffix", "example.com.",
           "No whois server listed to support . domain", "noserver", "", "com.");
    addRow("numeric parts before a non-numeric last part", "1.1.1.a",
           "No whois server listed to support .a domain", "noserver", "a", "1.a");
    addRow("40,000 dots", QString(40000, u'.'), invalid);
    // 65540 parts: a 16-bit count that wrapped around would read 4 and pick a suffix.
    addRow("part count beyond 16 bits", QStringLiteral("a.").repeated(65539) + u'a', invalid);

    // IPv4 path.
    addRow("plain address", "192.0.2.10", connecting, arin, "", "192.0.2.10");
    addRow("bounds 0 and 255", "0.0.0.255", connecting, arin, "", "0.0.0.255");
    addRow("fourth part goes as its value", "192.0.2.010", connecting, arin, "", "192.0.2.10");
    addRow("first parts go as typed", "010.1e2.+2.&H1F", connecting, arin, "", "010.1e2.+2.31");
    addRow("half rounds down to even", "1.2.3.25e-1", connecting, arin, "", "1.2.3.2");
    addRow("half rounds up to even", "1.2.3.35e-1", connecting, arin, "", "1.2.3.4");
    addRow("rounding beyond 255", "1.2.3.2555e-1", invalid);
    addRow("fourth part beyond 16 bits", "1.2.3.65539", invalid);
    addRow("256", "192.0.2.256", invalid);
    addRow("first part 256", "256.0.2.1", invalid);
    addRow("negative", "1.2.3.-1", invalid);
    addRow("three parts", "1.2.3", invalid);
    addRow("numeric last of two", "example.123", invalid);
    addRow("single number", "12345", invalid);
    addRow("letters in a part", "a.1.1.1", invalid);
    addRow("numeric, part count beyond 16 bits", QStringLiteral("1.").repeated(65539) + u'1',
           invalid);
}

void tst_queryparser::parseQuery()
{
    QFETCH(QString, input);
    QFETCH(QString, status);
    QFETCH(QString, whoisServer);
    QFETCH(QString, tld);
    QFETCH(QString, queryText);

    ServerTable table;
    QVERIFY(table.LoadServers(servers));
    QueryState state;
    const QueryDispatch dispatch = QueryParser::parseQuery(input, state, table);

    QCOMPARE(dispatch.statusText, status);
    QCOMPARE(state.whoisServer, whoisServer);
    QCOMPARE(state.tld, tld);
    QCOMPARE(state.queryText, queryText);
    QCOMPARE(dispatch.connect, status == connecting);
    // The state keeps the host as listed; the connection goes to it without its spaces.
    QCOMPARE(dispatch.connectHost, dispatch.connect ? whoisServer.trimmed() : QString());
    // Only domain queries wait for a registrar referral.
    QCOMPARE(dispatch.startTimer, dispatch.connect && whoisServer != arin);
}

void tst_queryparser::numericValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("value");

    QTest::newRow("exponent") << "1e2" << true << 100.0;
    QTest::newRow("surrounding spaces") << " 42 " << true << 42.0;
    QTest::newRow("plus sign") << "+7" << true << 7.0;
    QTest::newRow("minus sign") << "-1" << true << -1.0;
    QTest::newRow("thousands separator") << "1,000" << true << 1000.0;
    QTest::newRow("hexadecimal") << "&H1F" << true << 31.0;
    QTest::newRow("octal, lower case") << "&o17" << true << 15.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("letters") << "abc" << false << 0.0;
    QTest::newRow("exponent without digits") << "1e" << false << 0.0;
    QTest::newRow("hex prefix without digits") << "&H" << false << 0.0;
    QTest::newRow("leading separator") << ",5" << false << 0.0;
}

void tst_queryparser::numericValue()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QFETCH(double, value);

    const std::optional<double> result = NumericValue(text);
    QCOMPARE(result.has_value(), numeric);
    if (numeric)
        QCOMPARE(*result, value);
}

QTEST_GUILESS_MAIN(tst_queryparser)
#include "tst_queryparser.moc"
