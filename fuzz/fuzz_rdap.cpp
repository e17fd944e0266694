// Arbitrary bytes as an RDAP server's answer: the text is whois lines that no value can break or
// forge, anything else gives a reason, and a registrar link never leaves https or the domain path.
#include "RdapText.h"
#include "Require.h"

namespace {

using namespace Qt::StringLiterals;

const QUrl source(u"https://rdap.registry.test/domain/example.test"_s);

// The field block, up to the first empty line, holds only these.
bool isFieldLine(QStringView line)
{
    static const QStringList labels = [] {
        QStringList list = {u"Domain Name"_s,
                            u"Registry Domain ID"_s,
                            u"Registrar"_s,
                            u"Registrar IANA ID"_s,
                            u"Registrar Abuse Contact Email"_s,
                            u"Registrar Abuse Contact Phone"_s,
                            u"Creation Date"_s,
                            u"Updated Date"_s,
                            u"Registry Expiry Date"_s,
                            u"Domain Status"_s,
                            u"Name Server"_s,
                            u"DNSSEC"_s,
                            u"Redacted"_s};
        for (const char *role : {"Registrant", "Admin", "Tech", "Billing"}) {
            for (const char *field :
                 {" Name", " Organization", " Street", " City", " State/Province", " Postal Code",
                  " Country", " Phone", " Email"})
                list.append(QLatin1StringView(role) + QLatin1StringView(field));
        }
        return list;
    }();
    if (line.startsWith(u">>> Last update of RDAP database: ") && line.endsWith(u" <<<"))
        return true;
    const qsizetype colon = line.indexOf(u": ");
    return colon > 0 && labels.contains(line.first(colon));
}

void checkText(const QString &text)
{
    REQUIRE(text.startsWith("RDAP answer from "_L1 + source.toString() + "\r\n\r\n"_L1));
    REQUIRE(text.endsWith("\r\n"_L1));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        REQUIRE(c != u'\v' && c != u'\f' && c != 0x85 && c != 0x2028 && c != 0x2029);
        REQUIRE(c != u'\r' || (i + 1 < text.size() && text.at(i + 1) == u'\n'));
        REQUIRE(c != u'\n' || (i > 0 && text.at(i - 1) == u'\r'));
    }
    const QStringList lines = text.split("\r\n"_L1);
    qsizetype i = 2;
    for (; i < lines.size() && !lines.at(i).isEmpty(); ++i)
        REQUIRE(isFieldLine(lines.at(i)));
    // Then notices and remarks, each opened by one empty line and never empty themselves.
    for (; i + 1 < lines.size(); ++i)
        REQUIRE(!lines.at(i).isEmpty() || !lines.at(i + 1).isEmpty());
    REQUIRE(lines.constLast().isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView body(data, static_cast<qsizetype>(size));
    const RdapDocument document = renderRdap(body, source);
    if (document.isRdap) {
        REQUIRE(document.problem.isEmpty());
        checkText(document.text);
    } else {
        REQUIRE(!document.problem.isEmpty() && document.text.isEmpty());
        REQUIRE(!document.problem.contains(u'\n') && !document.problem.contains(u'\r'));
        REQUIRE(document.registrarUrl.isEmpty());
    }
    const QUrl &registrar = document.registrarUrl;
    if (!registrar.isEmpty()) {
        REQUIRE(registrar.scheme() == u"https" && registrar.path().contains(u"/domain/"));
        REQUIRE(registrar.host().compare(source.host(), Qt::CaseInsensitive) != 0);
    }
    return 0;
}
