// Window services on Qt Widgets: the headless timers and event waits, plus QMessageBox,
// QFileDialog, the beep, the screen and the pointer. Owned by main(); lives as long as the
// application. User-interface thread only.
#pragma once

#include "HeadlessWindowServices.h"

class QWidget;

namespace tonvara {

class QtWindowServices : public HeadlessWindowServices
{
public:
    // Parent window of message boxes and dialogs (the main window once it exists).
    void setDialogOwner(QWidget *owner) { m_owner = owner; }

    MessageAnswer messageBox(const QString &text, MessageIcon icon,
                             MessageButtons buttons) override;
    QString openFileDialog(const FileDialogRequest &request) override;
    QString saveFileDialog(const FileDialogRequest &request) override;
    void beep() override;
    ScreenMetrics screenMetrics() const override;
    QPoint cursorPos() const override;
    bool canMovePointer() const override;
    bool setCursorPos(QPoint position) override;
    bool startSystemMove(QWidget &window) override;

private:
    QWidget *m_owner = nullptr;
};

} // namespace tonvara
