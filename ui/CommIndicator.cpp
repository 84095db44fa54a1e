#include "CommIndicator.h"

#include <QCloseEvent>
#include <QEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace tonvara {

CommIndicator::CommIndicator(WindowServices &services, TrafficLog &log, QWidget *parent)
    : QWidget(parent, Qt::Window), m_log(log)
{
    setWindowTitle(QString::fromLatin1(kCaption));
    setAttribute(Qt::WA_DeleteOnClose);
    m_text = new QPlainTextEdit(this);
    // Locked for typing, but the traffic can still be selected and copied.
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->viewport()->installEventFilter(this);
    resize(kClientWidth, kClientHeight);

    m_timer1 = services.createTimer(kRefreshInterval, this);
    connect(m_timer1.get(), &ServiceTimer::tick, this, &CommIndicator::refresh);
    m_log.setEnabled(true);
    m_timer1->setEnabled(true);
}

CommIndicator::~CommIndicator() = default;

CommIndicator *CommIndicator::openOrRaise(QPointer<CommIndicator> &window,
                                          WindowServices &services, TrafficLog &log)
{
    // A closed window is on its way to deletion: a new one takes its place.
    if (!window || !window->isVisible())
        window = new CommIndicator(services, log);
    window->show();
    window->raise();
    window->activateWindow();
    return window.data();
}

void CommIndicator::refresh()
{
    if (m_log.text().size() == m_shownLength)
        return;
    if (m_log.text().size() > kMaxLogLength) {
        m_text->clear();
        m_log.clear();
    }
    m_text->setPlainText(m_log.text());
    // Caret at the end scrolls to the newest line.
    m_text->moveCursor(QTextCursor::End);
    m_text->ensureCursorVisible();
    m_shownLength = static_cast<int>(m_log.text().size());
}

void CommIndicator::closeEvent(QCloseEvent *event)
{
    m_log.setEnabled(false);
    m_timer1->setEnabled(false);
    QWidget::closeEvent(event);
}

void CommIndicator::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_text->setGeometry(0, 0, width(), height());
}

bool CommIndicator::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_text->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        m_log.clear();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tonvara
