#include "WhoisClient.h"

#include "AnswerRules.h"
#include "QueryParser.h"
#include "RdapExchange.h"
#include "TcpSocketBoundary.h"
#include "WindowSurface.h"

namespace {

std::unique_ptr<SocketBoundary> makeSocket(const SocketFactory &factory)
{
    if (factory)
        return factory();
    return std::make_unique<TcpSocketBoundary>();
}

} // namespace

WhoisClient::WhoisClient(WindowSurface &surface, const ServerTable &servers,
                         const SocketFactory &socketFactory, QObject *parent)
    : QObject(parent)
    , m_surface(surface)
    , m_servers(servers)
    , m_mySock(makeSocket(socketFactory))
    , m_mySock2(makeSocket(socketFactory))
{
    m_timer1.setInterval(50);
    connect(&m_timer1, &QTimer::timeout, this, &WhoisClient::Timer1_Timer);
    connect(m_mySock.get(), &SocketBoundary::connected, this, &WhoisClient::mySock_Connect);
    connect(m_mySock.get(), &SocketBoundary::dataArrived, this, &WhoisClient::mySock_DataArrival);
    connect(m_mySock.get(), &SocketBoundary::errorOccurred, this, &WhoisClient::mySock_Error);
    connect(m_mySock.get(), &SocketBoundary::closedByPeer, this, &WhoisClient::mySock_Close);
    connect(m_mySock2.get(), &SocketBoundary::connected, this, &WhoisClient::mySock2_Connect);
    connect(m_mySock2.get(), &SocketBoundary::dataArrived, this, &WhoisClient::mySock2_DataArrival);
    connect(m_mySock2.get(), &SocketBoundary::errorOccurred, this, &WhoisClient::mySock2_Error);
}

WhoisClient::~WhoisClient()
{
    // The sockets go before the timer and the surface they report to.
    m_mySock->disconnect(this);
    m_mySock2->disconnect(this);
    closeConnections();
}

void WhoisClient::StartQuery()
{
    m_mySock->Close();
    m_mySock2->Close();
    if (m_rdap)
        m_rdap->Close();
    m_rdapRegistrar = false;
    m_surface.myStatus_SetSimpleText(QString());
    m_surface.txtResult_SetText(QString());
    m_resultLength = 0;
    m_queryState = QueryState();
    m_arinReferral.reset();
    m_timer1.stop();

    const QueryDispatch dispatch
            = QueryParser::parseQuery(m_surface.txtURL_Text(), m_queryState, m_servers);
    if (dispatch.connect && dispatch.rdap) {
        if (!m_rdap) {
            m_rdap = std::make_unique<RdapExchange>();
            connect(m_rdap.get(), &RdapExchange::finished, this, &WhoisClient::rdap_Finished);
        }
        m_rdap->Get(RdapExchange::domainUrl(dispatch.connectHost, m_queryState.queryText));
        m_surface.myStatus_SetProgressText(dispatch.statusText);
    } else if (dispatch.connect) {
        m_mySock->Connect(dispatch.connectHost, WhoisPort);
        m_surface.myStatus_SetProgressText(dispatch.statusText);
    } else {
        m_surface.myStatus_SetSimpleText(dispatch.statusText);
    }
    if (dispatch.startTimer)
        m_timer1.start();
    m_surface.txtURL_SetFocus();
}

void WhoisClient::Form_Unload()
{
    closeConnections();
}

void WhoisClient::closeConnections()
{
    m_mySock->Close();
    m_mySock2->Close();
    if (m_rdap)
        m_rdap->Close();
    m_timer1.stop();
    // A query that ended early follows no referral that its answer named.
    m_arinReferral.reset();
}

void WhoisClient::reportWhoisData()
{
    m_surface.myStatus_SetSimpleText(QStringLiteral("Whois data for : ") + m_queryState.queryText);
}

void WhoisClient::reportNotFound()
{
    m_surface.myStatus_SetSimpleText(QStringLiteral("Whois data for : ") + m_queryState.queryText
                                     + QStringLiteral(" is NOT FOUND."));
}

bool WhoisClient::appendToResult(const QString &chunk)
{
    const qsizetype room = MaxResultLength - m_resultLength;
    if (chunk.size() <= room) {
        m_surface.txtResult_Append(chunk);
        m_resultLength += chunk.size();
        return true;
    }
    m_surface.txtResult_Append(chunk.left(room));
    m_resultLength = MaxResultLength;
    closeConnections();
    m_surface.myStatus_SetSimpleText(QStringLiteral("Whois answer too long: stopped after 16 MB."));
    return false;
}

void WhoisClient::mySock_Connect()
{
    m_surface.myStatus_SetProgressText(QStringLiteral("Connected"));
    m_mySock->SendData(AnswerRules::QueryLine(m_queryState));
}

void WhoisClient::mySock_DataArrival()
{
    if (m_mySock->State() != SocketBoundary::sckConnected)
        return;
    QString chunk;
    m_mySock->GetData(chunk);
    if (!appendToResult(chunk))
        return;
    m_queryState.countArrival();

    // Each chunk is judged on its own: a phrase split between two reads goes unnoticed.
    if (AnswerRules::containsNotFound(chunk)) {
        reportNotFound();
        closeConnections();
        return;
    }
    if (m_queryState.kind != QueryKind::Domain)
        m_arinReferral.scan(chunk);
    const bool refers = AnswerRules::isReferralSuffix(m_queryState.tld);
    if (!refers && m_queryState.arrivalCount == 1) {
        m_timer1.stop();
        reportWhoisData();
    } else if (refers && m_queryState.arrivalCount == 2) {
        // Thin registries send their banner first; the referral line comes in the second read.
        const AnswerRules::Referral referral = AnswerRules::findReferral(chunk);
        if (!referral.markersFound)
            reportWhoisData();
        else if (!referral.host.isEmpty())
            m_queryState.referralServer = referral.host;
    }
}

void WhoisClient::mySock_Error(const QString &description)
{
    m_surface.myStatus_SetSimpleText(description);
    if (description == QLatin1StringView(AnswerRules::HostNotFoundDescription)) {
        m_surface.myStatus_SetSimpleText(QStringLiteral("Whois server : ")
                                         + m_queryState.whoisServer
                                         + QStringLiteral(" not available."));
    }
    closeConnections();
}

void WhoisClient::mySock_Close()
{
    // ARIN's referral line may come anywhere in its answer, which is whole once ARIN has closed
    // the connection. The registry it names is asked once, and its answer follows ARIN's as a
    // registrar's follows a registry's. The status line already says what the answer is about.
    const QString host = m_arinReferral.host();
    if (host.isEmpty() || !m_queryState.referralServer.isEmpty())
        return;
    m_queryState.referralServer = host;
    m_mySock2->Connect(host, WhoisPort);
}

void WhoisClient::Timer1_Timer()
{
    if (m_queryState.referralServer.isEmpty())
        return;
    m_mySock2->Connect(m_queryState.referralServer, WhoisPort);
    m_timer1.stop();
    reportWhoisData();
}

void WhoisClient::mySock2_Connect()
{
    m_mySock2->SendData(m_queryState.queryText + QStringLiteral("\r\n"));
}

void WhoisClient::mySock2_DataArrival()
{
    if (m_mySock2->State() != SocketBoundary::sckConnected)
        return;
    QString chunk;
    m_mySock2->GetData(chunk);
    appendToResult(chunk);
}

void WhoisClient::mySock2_Error(const QString &description)
{
    m_surface.myStatus_SetSimpleText(description);
    closeConnections();
}

void WhoisClient::rdap_Finished(const RdapOutcome &outcome)
{
    // The registry's answer and its status stand whatever happens to the registrar's part.
    if (m_rdapRegistrar) {
        m_rdapRegistrar = false;
        appendToResult(RdapExchange::registrarPart(outcome));
        return;
    }
    if (outcome.kind == RdapOutcome::NotFound) {
        reportNotFound();
    } else if (outcome.kind == RdapOutcome::Failure) {
        m_surface.myStatus_SetSimpleText(outcome.sentence);
    } else if (appendToResult(outcome.document.text)) {
        reportWhoisData();
        if (!outcome.document.registrarUrl.isEmpty()) {
            m_rdapRegistrar = true;
            m_rdap->Get(outcome.document.registrarUrl);
        }
    }
}
