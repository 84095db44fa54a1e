#include "FocusReturn.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace tonvara {

FocusReturn::FocusReturn(QWidget *control) : QObject(control), m_control(control)
{
    control->installEventFilter(this);
}

bool FocusReturn::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_control)
        return false;
    if (event->type() == QEvent::FocusOut && !m_control->isEnabled()) {
        m_pending = true; // the focus left because the control was disabled
    } else if (event->type() == QEvent::EnabledChange && m_pending) {
        if (!m_control->isEnabled()) {
            // Whatever Qt gave the focus to meanwhile may hand it back; a widget the user
            // chose on purpose after that keeps it.
            m_takenBy = QApplication::focusWidget();
        } else {
            m_pending = false;
            QWidget *now = QApplication::focusWidget();
            if (m_control->isVisible() && (now == nullptr || now == m_takenBy.data()))
                m_control->setFocus(Qt::OtherFocusReason);
            m_takenBy.clear();
        }
    }
    return false;
}

} // namespace tonvara
