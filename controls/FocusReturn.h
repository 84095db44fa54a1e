// Gives a control its keyboard focus back after its host disabled it, or the whole window,
// for the length of a send: Qt moves the focus away from a widget that is disabled, and a
// keyboard user would otherwise be left with no focus at all after every change. A child of
// the control it serves, watching its events; user-interface thread only.
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace tonvara {

class FocusReturn : public QObject
{
  public:
    explicit FocusReturn(QWidget *control);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    QWidget *m_control = nullptr;
    bool m_pending = false;
    QPointer<QWidget> m_takenBy;
};

} // namespace tonvara
