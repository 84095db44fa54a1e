// Window services on Qt Widgets: QTimer, the Qt event loop, QMessageBox, QFileDialog.
// Owned by main(); lives as long as the application. User-interface thread only.
#pragma once

#include "WindowServices.h"

class QWidget;

namespace tonvara {

class QtWindowServices : public WindowServices
{
public:
    QtWindowServices();

    // Parent window of message boxes and dialogs (the main window once it exists).
    void setDialogOwner(QWidget *owner) { m_owner = owner; }

    std::unique_ptr<ServiceTimer> createTimer(Millis interval, QObject *parent) override;
    void processPendingEvents() override;
    void waitForEvents() override;
    void pause(Millis duration) override;
    Millis now() const override;
    MessageAnswer messageBox(const QString &text, MessageIcon icon,
                             MessageButtons buttons) override;
    QString openFileDialog(const FileDialogRequest &request) override;
    QString saveFileDialog(const FileDialogRequest &request) override;
    void beep() override;
    ScreenMetrics screenMetrics() const override;
    QPoint cursorPos() const override;
    void setCursorPos(QPoint position) override;

private:
    QWidget *m_owner = nullptr;
};

} // namespace tonvara
