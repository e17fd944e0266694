// RDAP answers as whois text: whole documents, bodies that are not RDAP, the registrar's link.
#include "RdapText.h"
#include "TestData.h"

using namespace Qt::StringLiterals;

namespace {

const QUrl source(u"https://rdap.registry.test/domain/xn--bcher-kva.example"_s);

// Short documents are written inline with ' for ".
QByteArray json(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

// A file under tests/data/rdap: a body as a server sent it, or the text it must give.
QByteArray fixture(const QString &name)
{
    return TEST_DATA(u"data/rdap/"_s + name);
}

} // namespace

class tst_rdaptext : public QObject
{
    Q_OBJECT

private slots:
    // Each document under tests/data/rdap beside the text it must give.
    void wholeText_data()
    {
        QTest::addColumn<QString>("name");
        const auto row = [](const char *name, const char *file) {
            QTest::newRow(name) << QString::fromLatin1(file);
        };
        // Nested registrar and abuse entities, one entity in two roles, a jCard with a structured
        // address and one with only a label, tel URIs, redactions, IDN names, notices.
        row("registry answer", "registry_answer");
        row("domain name alone", "domain_alone");
        row("redacted fields of contacts left out, a value given in place of one", "redactions");
        row("entities nested beyond 8 levels are not read", "nested_entities");
        row("mistyped and null members skipped, the rest kept", "mistyped_members");
        row("line breaks inside values cannot forge fields", "line_breaks");
        row("jCard shapes: org list, street string, untyped tel, fax that is also voice, label, cc",
            "jcard_shapes");
        row("a registrar's contacts are not the domain's; abuse beside the registrar",
            "registrar_contacts");
        row("xn-- name server without its Unicode name, ASCII names alone", "idn_name_servers");
    }
    void wholeText()
    {
        QFETCH(QString, name);
        const RdapDocument document = renderRdap(fixture(name + u".json"_s), source);
        QVERIFY2(document.isRdap, qPrintable(document.problem));
        const QString text = QString::fromUtf8(fixture(name + u".txt"_s));
        // Line by line, which names the first line that differs; equal lines make equal texts.
        QCOMPARE(document.text.split(u"\r\n"_s), text.split(u"\r\n"_s));
    }

    void notRdap_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("problem");
        const auto row = [](const char *name, const QByteArray &body, const char *problem) {
            QTest::newRow(name) << body << QString::fromUtf8(problem);
        };
        row("empty", " \r\n", "the body is empty");
        row("HTML", "<!DOCTYPE html><html><body>Busy</body></html>", "the body is not JSON");
        row("garbage after the object", "{} {}", "the body is not JSON");
        row("cut off in a string", json("{'ldhName':'a.te"), "the JSON is cut off");
        row("cut off in a literal", json("{'secureDNS':{'delegationSigned':tr"),
            "the JSON is cut off");
        row("cut off in a number", json("{'events':[{'eventDate':12"), "the JSON is cut off");
        row("bad UTF-8", "{\"ldhName\":\"a\xff\xfe.test\"}", "the JSON is not valid UTF-8");
        row("deep nesting", QByteArray(5000, '['), "the JSON nests too deeply");
        row("array", json("[{'ldhName':'a.test'}]"), "the JSON is an array, not an object");
        row("string", "\"a.test\"", "the JSON is a string, not an object");
        row("number", " 42 ", "the JSON is a number, not an object");
        row("null", "null", "the JSON is null, not an object");
        row("boolean", "true", "the JSON is a boolean, not an object");
        row("RDAP error", json("{'errorCode':404,'title':'Not\\nFound','description':['x']}"),
            "it is an RDAP error: Not Found");
        row("RDAP error without title", json("{'errorCode':429,'description':['Slow down','x']}"),
            "it is an RDAP error: Slow down");
        row("RDAP error with a mistyped code only", json("{'errorCode':['5\\r\\n0']}"),
            "it is an RDAP error: code 5 0");
        row("RDAP error with a long title",
            json("{'errorCode':1,'title':'") + QByteArray(300, 'x') + json("'}"),
            qPrintable("it is an RDAP error: " + QString(99, u'x') + u'…'));
        row("a name server", json("{'objectClassName':'nameserver','ldhName':'ns.a.test'}"),
            "the object describes no domain");
    }
    void notRdap()
    {
        QFETCH(QByteArray, body);
        const RdapDocument document = renderRdap(body, source);
        QVERIFY(!document.isRdap);
        QTEST(document.problem, "problem");
        QCOMPARE(document.text, QString());
        QCOMPARE(document.registrarUrl, QUrl());
    }

    // The registrar's record: the first related RDAP link to a domain path on another host,
    // never down from https to http. The fixture lists links that do not qualify before it.
    void registrarUrl_data()
    {
        QTest::addColumn<QUrl>("from");
        QTest::addColumn<QUrl>("url");
        QTest::newRow("over https")
                << source << QUrl(u"https://rdap.registrar.test/rdap/domain/a.test"_s);
        QTest::newRow("over http") << QUrl(u"http://rdap.registry.test/domain/a"_s)
                                   << QUrl(u"http://c.test/domain/a.test"_s);
    }
    void registrarUrl()
    {
        QFETCH(QUrl, from);
        const RdapDocument document = renderRdap(fixture(u"related_links.json"_s), from);
        QVERIFY(document.isRdap);
        QTEST(document.registrarUrl, "url");
    }
};

QTEST_GUILESS_MAIN(tst_rdaptext)
#include "tst_rdaptext.moc"
