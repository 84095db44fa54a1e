// The real window services for real-time end-to-end tests, except that message boxes are
// recorded instead of shown (a modal box would stop the test): OK, or Yes to a question.
// Header only; user-interface thread only.
#pragma once

#include "QtWindowServices.h"

#include <QStringList>

namespace tonvara {

class RecordingQtServices : public QtWindowServices
{
  public:
    MessageAnswer messageBox(const QString &text, MessageIcon, MessageButtons buttons) override
    {
        messages.append(text);
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    QStringList messages;
};

} // namespace tonvara
