// The server list and the typed text: what each turns into.
#include "QueryParser.h"
#include "ServerTable.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_query : public QObject
{
    Q_OBJECT

private slots:
    void serverList_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("rows"); // -1: loading fails
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("host");
        const auto row = [](const char *name, const QByteArray &contents, int rows,
                            const QString &suffix = {}, const QString &host = {}) {
            QTest::newRow(name) << contents << rows << suffix << host;
        };
        const QString none = QString::fromLatin1(ServerTable::NoServer);
        const QByteArray mixed("caf\xe9,latin1.example\r\nna\xc3\xafve,utf8.example\r\n");
        row("no file", QByteArray(), -1);
        row("empty file", "", 0, "", none);
        row("blank and space-only lines: empty table", "\r\n   \n\r  \r\n", 0, "", none);
        row("201 rows, blank lines not counted", QByteArray("a,b\r\n \r\n").repeated(200) + "z,y",
            201, "z", "y");
        row("202nd row is fatal", QByteArray("a,b\n").repeated(202), -1);
        row("line without a comma", "com,a\r\nnocomma\r\n", -1);
        row("tab-only line is not blank", "com,a\r\n\t\t\r\n", -1);
        row("CR, LF, CR LF and LF CR end lines", "a,1\rb,2\nc,3\r\nd,4\n\re,5\r", 5, "b", "2");
        row("line trimmed, spaces beside the comma kept, third field ignored",
            "  sp , host.example ,note  ", 1, "sp ", " host.example ");
        row("comma alone: empty suffix and host", "com,x\r\n,", 2, "", "");
        row("capitals never match", "COM,whois.example", 1, "com", none);
        row("Latin-1 line", mixed, 2, QStringLiteral("café"), "latin1.example");
        row("UTF-8 line", mixed, 2, QStringLiteral("naïve"), "utf8.example");
    }
    // Read from a file, as at start-up; a null text stands for no file at all.
    void serverList()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, rows);
        QTemporaryDir dir;
        QFile file(dir.filePath(QString::fromLatin1(ServerTable::FileName)));
        QVERIFY(contents.isNull()
                || (file.open(QIODevice::WriteOnly) && file.write(contents) >= 0));
        file.close();
        ServerTable table;
        QCOMPARE(table.LoadServers(file.fileName()), rows >= 0);
        if (rows >= 0) {
            QCOMPARE(table.rowCount(), rows);
            QFETCH(QString, suffix);
            QTEST(table.FindServer(suffix), "host");
        }
    }

    void typedText_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("whoisServer");
        QTest::addColumn<QString>("tld");
        QTest::addColumn<QString>("queryText");
        QTest::addColumn<bool>("rdap");
        const auto row = [](const char *name, const QString &input, const QString &status,
                            const QString &whoisServer = {}, const QString &tld = {},
                            const QString &queryText = {}, bool rdap = false) {
            QTest::newRow(name) << input << status << whoisServer << tld << queryText << rdap;
        };
        const QString connecting = QString::fromLatin1(QueryParser::ConnectingMessage);
        const QString invalid = QString::fromLatin1(QueryParser::InvalidMessage);
        const QString enter = QString::fromLatin1(QueryParser::EnterDomainMessage);
        const QString arin = QStringLiteral("whois.arin.net");
        row("three parts with co", "example.co.uk", connecting, "whois.co.uk", "co.uk",
            "example.co.uk");
        row("four parts with co, upper case", "a.Example.CO.UK", connecting, "whois.co.uk", "co.uk",
            "example.co.uk");
        row("co counts only second to last", "a.co.example.uk", connecting, "whois.uk", "uk",
            "example.uk");
        row("two parts have no co rule", "co.uk", connecting, "whois.uk", "uk", "co.uk");
        row("outer spaces trimmed, host spaces kept", "  example.sp ", connecting, " whois.sp ",
            "sp", "example.sp");
        // A host that starts with a URL scheme, in any case, names an RDAP service; nothing else.
        row("https", "x.app", connecting, "https://rdap.test/rdap/", "app", "x.app", true);
        row("capitals, spaces before", "x.bpp", connecting, "  HTTPS://Rdap.test", "bpp", "x.bpp",
            true);
        row("http, with co", "a.x.co.ch", connecting, "hTtP://rdap.test", "co.ch", "x.co.ch", true);
        row("scheme not at the start", "x.cpp", connecting, " whois.test/https://", "cpp", "x.cpp");
        row("other scheme", "x.dpp", connecting, "ftp://rdap.test", "dpp", "x.dpp");
        row("five parts", "a.b.c.example.uk", invalid);
        row("single part", "localhost", enter);
        row("only spaces", "    ", enter);
        row("unlisted suffix", "example.zz", "No whois server listed to support .zz domain",
            "noserver", "zz", "example.zz");
        row("trailing dot looks up the empty suffix", "example.uk.",
            "No whois server listed to support . domain", "noserver", "", "uk.");
        row("tabs stay in the parts", "\t.\t", "No whois server listed to support .\t domain",
            "noserver", "\t", "\t.\t");
        row("numeric parts before a non-numeric last part", "1.1.1.a",
            "No whois server listed to support .a domain", "noserver", "a", "1.a");
        // 65540 parts: a 16-bit count that wrapped around would read 4.
        row("part count beyond 16 bits", QStringLiteral("a.").repeated(65539) + u'a', invalid);

        row("last part listed with RDAP", "192.0.2.1", connecting, arin, "", "192.0.2.1");
        row("bounds, thousands separator", "0.0.0.0,255", connecting, arin, "", "0.0.0.255");
        row("fourth part goes as its value", "192.0.2.010", connecting, arin, "", "192.0.2.10");
        row("first parts go as typed", "010.1e2.+2.&H1F", connecting, arin, "", "010.1e2.+2.31");
        row("spaces in parts, octal", "1. 2 .3.&o17", connecting, arin, "", "1. 2 .3.15");
        row("zero digits in hex and octal", "&o10.2.3.&H10", connecting, arin, "", "&o10.2.3.16");
        row("half rounds down to even", "1.2.3.25e-1", connecting, arin, "", "1.2.3.2");
        row("half rounds up to even", "1.2.3.35e-1", connecting, arin, "", "1.2.3.4");
        row("rounding beyond 255", "1.2.3.2555e-1", invalid);
        row("fourth part beyond 16 bits", "1.2.3.65539", invalid);
        row("first part 256", "256.0.2.1", invalid);
        row("negative", "1.2.3.-1", invalid);
        row("empty part", "1..2.3", invalid);
        row("exponent without digits is not a number", "example.1e",
            "No whois server listed to support .1e domain", "noserver", "1e", "example.1e");
        row("hex prefix without digits", "&H.0.0.1", invalid);
        row("lone ampersand", "&.0.0.1", invalid);
        row("leading thousands separator", ",5.0.0.1", invalid);
        row("letters in a part", "a.1.1.1", invalid);
        row("single number", "12345", invalid);
    }
    void typedText()
    {
        QFETCH(QString, input);
        QFETCH(QString, status);
        QFETCH(QString, whoisServer);
        ServerTable table;
        QVERIFY(table.LoadServers("uk,whois.uk\nco.uk,whois.co.uk\nsp, whois.sp ,x\n"
                                  "app,https://rdap.test/rdap/\nbpp,  HTTPS://Rdap.test\n"
                                  "co.ch,hTtP://rdap.test\ncpp, whois.test/https://\n"
                                  "dpp,ftp://rdap.test\n1,https://rdap.test\n"_ba));
        QueryState state;
        const QueryDispatch dispatch = QueryParser::parseQuery(input, state, table);
        QCOMPARE(dispatch.statusText, status);
        QCOMPARE(state.whoisServer, whoisServer);
        QTEST(state.tld, "tld");
        QTEST(state.queryText, "queryText");
        const bool connecting = status == QLatin1StringView(QueryParser::ConnectingMessage);
        QCOMPARE(dispatch.connect, connecting);
        QCOMPARE(dispatch.connectHost, connecting ? whoisServer.trimmed() : QString());
        QTEST(dispatch.rdap, "rdap");
        // Only domain queries on port 43 wait for a registrar referral.
        QCOMPARE(dispatch.startTimer,
                 connecting && !dispatch.rdap && whoisServer != u"whois.arin.net");
    }

    // IPv6 addresses, prefixes and AS numbers are asked at ARIN; near misses take the paths they
    // always took, and a dotted IPv4 address keeps its own.
    void numberResource_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("queryText");
        QTest::addColumn<int>("kind");
        const QString connecting = QString::fromLatin1(QueryParser::ConnectingMessage);
        const QString enter = QString::fromLatin1(QueryParser::EnterDomainMessage);
        const auto asked = [&](const char *input, const char *queryText,
                               QueryKind kind = QueryKind::Address) {
            QTest::newRow(input) << QString::fromLatin1(input) << connecting
                                 << QString::fromLatin1(queryText) << int(kind);
        };
        const auto refused = [](const char *input, const QString &status) {
            QTest::newRow(input) << QString::fromLatin1(input) << status << QString()
                                 << int(QueryKind::Domain);
        };
        asked(" 2001:DB8::1 ", "2001:DB8::1");
        asked("::", "::");
        asked("::1", "::1");
        asked("1:2:3:4:5:6:7:8", "1:2:3:4:5:6:7:8");
        asked("1:2:3:4:5:6:7::", "1:2:3:4:5:6:7::");
        asked("::ffff:192.0.2.1", "::ffff:192.0.2.1");
        asked("1:2:3:4:5:6:192.0.2.1", "1:2:3:4:5:6:192.0.2.1");
        asked("192.0.2.0/24", "192.0.2.0/24");
        asked("0.0.0.0/0", "0.0.0.0/0");
        asked("2001:db8::/32", "2001:db8::/32");
        asked("::/128", "::/128");
        asked("as64496", "AS64496", QueryKind::AsNumber);
        asked("AS0", "AS0", QueryKind::AsNumber);
        asked("As007", "AS7", QueryKind::AsNumber);
        asked("AS4294967295", "AS4294967295", QueryKind::AsNumber);
        for (const char *input :
             {"1::2::3", ":::", ":1::", "1::2:", "12345::", "fe80::1%eth0", "1:2:3:4:5:6:7",
              "::/129", "::/01", "AS", "AS4294967296", "AS99999999999", "AS 1", "AS-1"})
            refused(input, enter);
        // A dotted tail or prefix that is not quite an address goes down the IPv4 or domain path.
        refused("::ffff:192.0.2.01", QString::fromLatin1(QueryParser::InvalidMessage));
        refused("1:2:3:4:5:6:7:192.0.2.1", QString::fromLatin1(QueryParser::InvalidMessage));
        refused("192.0.2.0/33", u"No whois server listed to support .0/33 domain"_s);
        refused("192.0.2.0/024", u"No whois server listed to support .0/024 domain"_s);
        QTest::newRow("dotted IPv4")
                << u"192.0.2.010"_s << connecting << u"192.0.2.10"_s << int(QueryKind::Address);
    }
    void numberResource()
    {
        QFETCH(QString, input);
        QFETCH(QString, status);
        const ServerTable table;
        QueryState state;
        const QueryDispatch dispatch = QueryParser::parseQuery(input, state, table);
        QCOMPARE(dispatch.statusText, status);
        QTEST(int(state.kind), "kind");
        if (!dispatch.connect)
            return;
        QTEST(state.queryText, "queryText");
        QCOMPARE(dispatch.connectHost, u"whois.arin.net"_s);
        QVERIFY(!dispatch.startTimer);
    }
};

QTEST_GUILESS_MAIN(tst_query)
#include "tst_query.moc"
