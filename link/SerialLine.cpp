#include "SerialLine.h"

namespace tonvara {

void SerialLine::failLine()
{
    if (m_lossPending)
        return;
    m_lossPending = true;
    QMetaObject::invokeMethod(this, &SerialLine::closeAfterFailure, Qt::QueuedConnection);
}

void SerialLine::closeAfterFailure()
{
    // Closed or opened again meanwhile: that open has nothing to do with this failure.
    if (!m_lossPending)
        return;
    m_lossPending = false;
    const bool wasOpen = isOpen();
    close();
    if (wasOpen)
        Q_EMIT lineLost();
}

} // namespace tonvara
