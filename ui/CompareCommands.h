// The two comparisons of the editor: with the target (its 211 settings read as the Read reads
// them, into a separate copy) and with a profile (opened and checked as Import does). Each
// opens a window listing the differences and marks, while it is open, the sliders and toggles
// of the current modes whose values differ and have not changed since; its buttons take the
// other values into the editor, or upload the editor's. One comparison window at a time.
// Owned by the composition root; user-interface thread only.
#pragma once

#include "ProfileData.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

namespace tonvara {

class CompareWindow;
class MainPages;
class ParameterStore;
class WindowServices;

class CompareCommands : public QObject
{
    Q_OBJECT
  public:
    static constexpr const char *kTargetTitle = "Compare with target";
    static constexpr const char *kProfileTitle = "Compare with profile";
    static constexpr const char *kTakeTarget = "Take target values";
    static constexpr const char *kTakeProfile = "Take profile values";
    static constexpr const char *kUploadEditor = "Upload editor values";

    // What the comparisons use of the rest of the program.
    struct Actions
    {
        // The target's settings read as the Read reads them, or nothing (reported already).
        std::function<std::optional<ProfileData>()> readTarget;
        // The Upload, as its button runs it.
        std::function<void()> upload;
        // Replaces the editor's settings by these, as one undo step named label; sends nothing.
        std::function<void(const QString &label, const ProfileData &)> take;
        // False while a transfer runs, a frame waits for its answer or the window is disabled.
        std::function<bool()> canActNow;
    };

    CompareCommands(WindowServices &services, const ParameterStore &store, MainPages &pages,
                    Actions actions, QObject *parent = nullptr);
    ~CompareCommands() override;

    void compareWithTarget();
    void compareWithProfile();

    // The open comparison window, or null.
    CompareWindow *window() const;

  private:
    void open(const QString &title, const ProfileData &other, const QString &otherName,
              const QString &takeCaption, bool withUpload);
    void closeWindow();
    void onTake();
    void onUpload();
    void onWindowClosing();
    // A slot of the current rows is marked while its value differed when compared and the
    // editor still holds the value it had then.
    bool slotMarked(TableId table, int row, int slot) const;

    WindowServices &m_services;
    const ParameterStore &m_store;
    MainPages &m_pages;
    Actions m_actions;
    QPointer<CompareWindow> m_window;
    ProfileData m_editor; // the editor as it was compared
    ProfileData m_other;  // what it was compared with
    QString m_takeLabel;
};

} // namespace tonvara
