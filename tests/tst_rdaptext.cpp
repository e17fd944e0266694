// RDAP answers as whois text: whole documents, the lines that matter, and bodies that are not RDAP.
#include "RdapText.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Documents are written with ' for " to keep them readable.
QByteArray json(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

const QUrl source(u"https://rdap.registry.test/domain/xn--bcher-kva.example"_s);

// A registry's full answer: nested registrar and abuse entities, one entity in two roles, a jCard
// with a structured address and one with only a label, tel URIs, redactions, IDN names, notices.
const char *const registryAnswer = R"({
 'rdapConformance': ['rdap_level_0', 'icann_rdap_response_profile_1', 'redacted'],
 'objectClassName': 'domain', 'handle': '2336799_DOMAIN-TEST',
 'ldhName': 'xn--bcher-kva.example', 'unicodeName': 'bücher.example',
 'status': ['client transfer prohibited', 'server delete prohibited'],
 'entities': [
  {'objectClassName': 'entity', 'handle': '292', 'roles': ['registrar'],
   'publicIds': [{'type': 'IANA Registrar ID', 'identifier': '292'}],
   'vcardArray': ['vcard', [['version', {}, 'text', '4.0'], ['fn', {}, 'text', 'Example Registrar, Inc.']]],
   'entities': [{'objectClassName': 'entity', 'roles': ['abuse'],
    'vcardArray': ['vcard', [['fn', {}, 'text', 'Abuse desk'],
     ['tel', {'type': 'voice'}, 'uri', 'tel:+1.5555550100'],
     ['email', {}, 'text', 'abuse@registrar.test']]]}]},
  {'objectClassName': 'entity', 'handle': 'C1', 'roles': ['registrant', 'administrative'],
   'vcardArray': ['vcard', [['version', {}, 'text', '4.0'], ['fn', {}, 'text', 'Jane Doe'],
    ['org', {}, 'text', 'Example Org'],
    ['adr', {'cc': 'DE', 'label': 'Hauptstr. 1\nBerlin'}, 'text', ['', '', ['Hauptstr. 1', 'Hinterhaus'], 'Berlin', 'BE', '10115', '']],
    ['tel', {'type': 'fax'}, 'uri', 'tel:+49.30999'],
    ['tel', {'type': ['voice', 'work']}, 'uri', 'tel:+49.30123456'],
    ['email', {}, 'text', '']]]},
  {'roles': ['technical'], 'vcardArray': ['vcard', [['fn', {}, 'text', 'Hostmaster'],
   ['adr', {'label': '1 Server Lane\nDublin\nIreland'}, 'text', ['', '', '', '', '', '', '']],
   ['email', {}, 'text', 'REDACTED FOR PRIVACY']]]}],
 'events': [{'eventAction': 'registration', 'eventDate': '2001-02-03T04:05:06Z'},
  {'eventAction': 'expiration', 'eventDate': '2030-02-03T04:05:06Z'},
  {'eventAction': 'last changed', 'eventDate': '2025-01-01T00:00:00Z'},
  {'eventAction': 'last update of RDAP database', 'eventDate': '2026-12-08T10:00:00Z'}],
 'nameservers': [{'objectClassName': 'nameserver', 'ldhName': 'ns1.registry.test'},
  {'objectClassName': 'nameserver', 'ldhName': 'ns.xn--bcher-kva.example'}],
 'secureDNS': {'delegationSigned': true},
 'redacted': [
  {'name': {'type': 'Registrant Email'}, 'reason': {'description': 'Server policy'},
   'postPath': '$.entities[1].vcardArray[1][6][3]',
   'method': 'emptyValue'},
  {'name': {'type': 'Tech Phone'}, 'method': 'removal'},
  {'name': {'type': 'Registrant Fax'}, 'reason': {'type': 'Server policy'}, 'method': 'removal'},
  {'name': {'type': 'Registrant Name'}, 'method': 'removal'}],
 'notices': [{'title': 'Terms of Use', 'description': ['Service subject to the terms.'],
  'links': [{'rel': 'terms-of-service', 'href': 'https://registry.test/terms', 'type': 'text/html'}]}],
 'remarks': [{'description': ['Reserved words apply.', 'See the policy.']}],
 'port43': 'whois.registry.test'
})";

const char *const registryText
        = R"(RDAP answer from https://rdap.registry.test/domain/xn--bcher-kva.example

Domain Name: xn--bcher-kva.example (bücher.example)
Registry Domain ID: 2336799_DOMAIN-TEST
Registrar: Example Registrar, Inc.
Registrar IANA ID: 292
Registrar Abuse Contact Email: abuse@registrar.test
Registrar Abuse Contact Phone: +1.5555550100
Creation Date: 2001-02-03T04:05:06Z
Updated Date: 2025-01-01T00:00:00Z
Registry Expiry Date: 2030-02-03T04:05:06Z
Domain Status: client transfer prohibited
Domain Status: server delete prohibited
Registrant Name: Jane Doe
Registrant Organization: Example Org
Registrant Street: Hauptstr. 1
Registrant Street: Hinterhaus
Registrant City: Berlin
Registrant State/Province: BE
Registrant Postal Code: 10115
Registrant Country: DE
Registrant Phone: +49.30123456
Registrant Email: (redacted: Server policy)
Admin Name: Jane Doe
Admin Organization: Example Org
Admin Street: Hauptstr. 1
Admin Street: Hinterhaus
Admin City: Berlin
Admin State/Province: BE
Admin Postal Code: 10115
Admin Country: DE
Admin Phone: +49.30123456
Tech Name: Hostmaster
Tech Street: 1 Server Lane
Tech Street: Dublin
Tech Street: Ireland
Tech Phone: (redacted)
Tech Email: REDACTED FOR PRIVACY
Name Server: ns1.registry.test
Name Server: ns.xn--bcher-kva.example (ns.bücher.example)
DNSSEC: signedDelegation
Redacted: Registrant Fax (Server policy)
>>> Last update of RDAP database: 2026-12-08T10:00:00Z <<<

Terms of Use
Service subject to the terms.
https://registry.test/terms

Reserved words apply.
See the policy.
)";

// The lines of a text, which must all end in CR LF.
QStringList linesOf(const QString &text)
{
    QStringList lines = text.split(u"\r\n"_s);
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class tst_rdaptext : public QObject
{
    Q_OBJECT

private slots:
    void wholeText_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::newRow("registry answer") << json(registryAnswer) << QString::fromUtf8(registryText);
        QTest::newRow("domain name alone")
                << json("{'objectClassName':'domain','ldhName':'example.test'}")
                << "RDAP answer from " + source.toString() + "\n\nDomain Name: example.test\n";
        QTest::newRow("redacted fields of a contact the server left out")
                << json("{'ldhName':'example.test','entities':[{'roles':['registrar'],"
                        "'vcardArray':['vcard',[['fn',{},'text','R']]]}],'redacted':["
                        "{'name':{'description':'Billing Email'},'method':'removal'},"
                        "{'name':{'type':'Administrative Name'},'reason':{'type':'x'}},"
                        "{'postPath':'$.secret'},{'name':{'type':'Registrant Shoe Size'}}]}")
                << "RDAP answer from " + source.toString()
                        + "\n\nDomain Name: example.test\nRegistrar: R\n"
                          "Admin Name: (redacted: x)\nBilling Email: (redacted)\n"
                          "Redacted: $.secret\nRedacted: Registrant Shoe Size\n";
    }
    void wholeText()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        const RdapDocument document = renderRdap(body, source);
        QVERIFY2(document.isRdap, qPrintable(document.problem));
        text.replace(u"\n"_s, u"\r\n"_s);
        QCOMPARE(linesOf(document.text), linesOf(text)); // names the first line that differs
        QCOMPARE(document.text, text);
        QCOMPARE(document.problem, QString());
    }

    // The lines that matter, in this order, and texts that must not show.
    void keyLines_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("absent");
        const auto row = [](const char *name, const QByteArray &body, const QStringList &lines,
                            const QStringList &absent = {}) {
            QTest::newRow(name) << body << lines << absent;
        };
        QByteArray deep = "{'ldhName':'a.test','entities':[";
        for (int level = 1; level <= 20; ++level) {
            deep += "{'roles':['registrant'],'vcardArray':['vcard',[['fn',{},'text','L"
                    + QByteArray::number(level) + "']]],'entities':[";
        }
        deep += QByteArray("]}").repeated(20) + "]}";
        row("entities nested beyond 8 levels", json(deep),
            {"Registrant Name: L1", "Registrant Name: L8"}, {"L9"});
        row("mistyped and null members skipped, the rest kept",
            json("{'ldhName':'a.test','handle':12345,'status':'active','entities':{'x':1},"
                 "'events':'2020','nameservers':[null,'ns0.test',{'ldhName':['ns1.test']},"
                 "{'ldhName':'ns2.test'}],'secureDNS':{'delegationSigned':'true'},"
                 "'notices':[null,{'title':7,'description':'One line.','links':'x'}],"
                 "'remarks':null,'redacted':{'name':'x'},'links':[3],'someExtension':{'a':'b'}}"),
            {"Domain Name: a.test", "Registry Domain ID: 12345", "Domain Status: active",
             "Name Server: ns1.test", "Name Server: ns2.test", "", "7", "One line."},
            {"DNSSEC", "ns0", "someExtension", "Redacted"});
        row("empty arrays",
            json("{'ldhName':'a.test','status':[],'entities':[],'nameservers':[],"
                 "'events':[],'notices':[{'description':[]}],'redacted':[]}"),
            {"Domain Name: a.test"}, {"Status", "Name Server", "\r\n\r\n\r\n"});
        row("line breaks inside values cannot forge fields",
            json("{'ldhName':'a.test','handle':'H\\r\\nRegistrant Name: Forged','notices':"
                 "[{'title':'T\\u2028Tech Name: X','description':['a\\nb']}]}"),
            {"Registry Domain ID: H  Registrant Name: Forged", "T Tech Name: X", "a b"});
        row("jCard shapes: org list, street string, untyped text tel, label and cc only",
            json("{'ldhName':'a.test','entities':[{'roles':['Registrant','Technical'],"
                 "'vcardArray':['vcard',[['org',{},'text',['Org','Unit']],"
                 "['adr',{},'text',['','','Main St 1','Town','','','Land']],"
                 "['tel',{},'text','+1 555 0100'],['email',{},'text',['a@b.test']]]]},"
                 "{'roles':['billing'],'vcardArray':['vcard',[['adr',{'cc':'IE','label':"
                 "'Quay 2\\n\\nCork'},'text','']]]}]}"),
            {"Registrant Organization: Org, Unit", "Registrant Street: Main St 1",
             "Registrant City: Town", "Registrant Country: Land", "Registrant Phone: +1 555 0100",
             "Registrant Email: a@b.test", "Tech Organization: Org, Unit", "Tech Email: a@b.test",
             "Billing Street: Quay 2", "Billing Street: Cork", "Billing Country: IE"});
        row("a registrar's contacts are not the domain's; abuse beside the registrar",
            json("{'ldhName':'a.test','entities':[{'roles':['registrar'],'entities':[{'roles':"
                 "['technical'],'vcardArray':['vcard',[['fn',{},'text','Reg Tech']]]}]},"
                 "{'roles':['abuse'],'vcardArray':['vcard',[['tel',{'type':'fax'},'uri','tel:1'],"
                 "['tel',{'type':'work'},'uri','tel:2'],['email',{},'text','abuse@a.test']]]},{'"
                 "roles':['technical'],"
                 "'vcardArray':['vcard',[['fn',{},'text','T1']]]},{'roles':['technical'],"
                 "'vcardArray':['vcard',[['fn',{},'text','T2']]]}]}"),
            {"Registrar Abuse Contact Email: abuse@a.test", "Registrar Abuse Contact Phone: 2",
             "Tech Name: T1", "Tech Name: T2"},
            {"Reg Tech"});
        row("a value given in place of a redacted one is shown as given",
            json("{'ldhName':'a.test','entities':[{'roles':['registrant'],'vcardArray':['vcard',"
                 "[['email',{},'text','https://form.test']]]}],'redacted':[{'name':{'type':"
                 "'Registrant Email'},'method':'replacementValue'},{'name':{'type':'Tech Email'},"
                 "'method':'removal'},{'name':{'type':'Tech Email'},'method':'removal'}]}"),
            {"Registrant Email: https://form.test", "Tech Email: (redacted)"}, {"Redacted:"});
        row("xn-- name server without its Unicode name, ASCII names alone",
            json("{'objectClassName':'domain','unicodeName':'bücher.test','nameservers':["
                 "{'ldhName':'NS.XN--BCHER-KVA.TEST'},{'ldhName':'ns.a.test',"
                 "'unicodeName':'ns.a.test'}]}"),
            {"Domain Name: bücher.test", "Name Server: NS.XN--BCHER-KVA.TEST (ns.bücher.test)",
             "Name Server: ns.a.test"},
            {"(ns.a.test)"});
    }
    void keyLines()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, absent);
        const RdapDocument document = renderRdap(body, source);
        QVERIFY2(document.isRdap, qPrintable(document.problem));
        QVERIFY(document.text.endsWith(u"\r\n"_s));
        const QStringList rendered = linesOf(document.text);
        qsizetype at = 0;
        for (const QString &line : std::as_const(lines)) {
            at = rendered.indexOf(line, at) + 1;
            QVERIFY2(at > 0, qPrintable(line + u" not in order in\n"_s + rendered.join(u'\n')));
        }
        for (const QString &text : std::as_const(absent))
            QVERIFY2(!document.text.contains(text), qPrintable(text));
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
        row("cut off in an object", json("{'ldhName':'a.test','status':["), "the JSON is cut off");
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
        row("RDAP error", json("{'errorCode':404,'title':'Not\\nFound','description':['x']}"),
            "it is an RDAP error: Not Found");
        row("RDAP error without title", json("{'errorCode':429,'description':['Slow down','x']}"),
            "it is an RDAP error: Slow down");
        row("RDAP error with a mistyped code", json("{'errorCode':['x\\r\\n'],'title':7}"),
            "it is an RDAP error: 7");
        row("RDAP error with a mistyped code only", json("{'errorCode':['5\\r\\n0']}"),
            "it is an RDAP error: code 5 0");
        row("RDAP error with a code only", json("{'errorCode':500}"),
            "it is an RDAP error: code 500");
        row("RDAP error with a long title",
            "{\"errorCode\":1,\"title\":\"" + QByteArray(300, 'x') + "\"}",
            qPrintable("it is an RDAP error: " + QString(99, u'x') + u'…'));
        row("an entity", json("{'objectClassName':'entity','handle':'X'}"),
            "the object describes no domain");
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

    // The registrar's record: another host, a domain path, never down from https to http.
    void registrarUrl_data()
    {
        QTest::addColumn<QByteArray>("links");
        QTest::addColumn<QUrl>("from");
        QTest::addColumn<QUrl>("url");
        const QUrl registrar(u"https://rdap.registrar.test/rdap/domain/a.test"_s);
        const auto link = [](const char *rel, const char *type, const QByteArray &href) {
            return "{'rel':'" + QByteArray(rel) + "','type':'" + type + "','href':'" + href + "'}";
        };
        const QByteArray related = link("related", "application/rdap+json", registrar.toEncoded());
        const auto row = [](const char *name, const QByteArray &links, const QUrl &url,
                            const QUrl &from = source) {
            QTest::newRow(name) << json("[" + links + "]") << from << url;
        };
        row("related RDAP link",
            link("self", "application/rdap+json", "https://b.test/domain/a") + "," + related,
            registrar);
        row("first of two",
            related + ","
                    + link("related", "application/rdap+json", "https://c.test/domain/a.test"),
            registrar);
        row("HTML page", link("related", "text/html", registrar.toEncoded()), {});
        row("same host",
            link("related", "application/rdap+json", "https://RDAP.registry.test/domain/a.test"),
            {});
        row("no domain path", link("related", "application/rdap+json", "https://c.test/a.test"),
            {});
        row("relative", link("related", "application/rdap+json", "/domain/a.test"), {});
        row("http from https", link("related", "application/rdap+json", "http://c.test/domain/a"),
            {});
        row("http from http", link("related", "application/rdap+json", "http://c.test/domain/a"),
            QUrl(u"http://c.test/domain/a"_s), QUrl(u"http://rdap.registry.test/domain/a"_s));
        row("neither http nor https",
            link("related", "application/rdap+json", "ftp://c.test/domain/a"), {},
            QUrl(u"http://rdap.registry.test/domain/a"_s));
        row("not objects", "null,'x',[]", {});
    }
    void registrarUrl()
    {
        QFETCH(QByteArray, links);
        QFETCH(QUrl, from);
        const RdapDocument document
                = renderRdap("{\"ldhName\":\"a.test\",\"links\":" + links + "}", from);
        QVERIFY(document.isRdap);
        QTEST(document.registrarUrl, "url");
    }
};

QTEST_GUILESS_MAIN(tst_rdaptext)
#include "tst_rdaptext.moc"
