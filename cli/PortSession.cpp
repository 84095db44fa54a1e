#include "PortSession.h"

#include "FactoryValues.h"
#include "QSerialLine.h"

namespace tonvara::cli {

PortSession::PortSession(std::atomic<int> *progress)
    : m_store(factoryStore()), m_view(m_store, progress)
{
    // The link's messages are the window's; here they only tell how an operation ended.
    m_services.setMessageSink([this](const QString &text, MessageIcon) {
        if (text == QLatin1String(TargetLink::kLinkLostMessage))
            m_timedOut = true;
    });
    m_link =
        std::make_unique<TargetLink>(m_services, m_store, m_view, std::make_unique<QSerialLine>());
    // The command line reports open failures itself, once, in its own words.
    m_link->port().setDiagnosticSink({});
    QObject::connect(&m_link->port(), &RS232Port::lineLost, &m_link->port(),
                     [this] { m_lineLost = true; });
    m_bulk = std::make_unique<BulkTransfer>(m_services, *m_link, m_store, m_view);
}

PortSession::~PortSession()
{
    m_bulk.reset();
    m_link->closePort();
}

TargetLink::ProbeResult PortSession::connect(const QString &device)
{
    return m_link->connectIdentifyOnly(device);
}

BulkTransfer::Result PortSession::read(ProfileData &profile)
{
    m_lineLost = m_timedOut = false;
    m_store = factoryStore();
    m_link->setFramesTotal(BulkTransfer::kReadFrames);
    m_lastResult = m_bulk->readAllFromTarget();
    if (m_lastResult == BulkTransfer::Result::Done)
        profile = profileFromStore(m_store);
    return m_lastResult;
}

BulkTransfer::Result PortSession::upload(const ProfileData &profile)
{
    m_lineLost = m_timedOut = false;
    applyProfileToStore(profile, m_store);
    m_link->setFramesTotal(BulkTransfer::kUploadFrames);
    m_lastResult = m_bulk->uploadAllToTarget();
    return m_lastResult;
}

QString PortSession::interruption() const
{
    const QString where =
        QStringLiteral("frame %1 of %2").arg(m_link->framesSent()).arg(m_link->framesTotal());
    if (m_lineLost)
        return QStringLiteral("the line went away at %1").arg(where);
    if (m_timedOut)
        return QStringLiteral("no answer to %1").arg(where);
    if (m_lastResult == BulkTransfer::Result::ReadError)
        return QStringLiteral("an answer a profile cannot hold, at %1").arg(where);
    return QStringLiteral("stopped at %1").arg(where);
}

} // namespace tonvara::cli
