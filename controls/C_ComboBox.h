// Drop-down list: a face showing the selected item's text, and a pop-up list window that
// opens directly below the control (above it when the screen has no room). A press on a row
// picks it and raises Click(index); a press on the face toggles the list; a press elsewhere
// or focus loss closes it without an event. From the keyboard, Space, Enter or an arrow key
// opens the list, the arrows move its highlight, Enter or Space picks and Escape closes.
// Owned by its host window; user-interface thread.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

namespace tonvara {

class ComboList;

class C_ComboBox : public QWidget
{
    Q_OBJECT
  public:
    explicit C_ComboBox(QWidget *parent = nullptr);
    ~C_ComboBox() override;

    // Appends an item; the first item becomes selected but the caption is not updated.
    void addItem(const QString &text);
    // Selects an item (clamped to the last one) and shows its text; -1 selects nothing.
    void setTopIndex(int index);
    int topIndex() const { return m_selected; }
    int itemCount() const { return m_items.size(); }
    QString itemText(int index) const;
    // Compact face (70 x 16 px instead of 70 x 19 px). The caption place and size are taken
    // once, from the value set before the control is first shown.
    bool showSize() const { return m_showSize; }
    void setShowSize(bool compact);

    // As a press on the face does: opens a closed list, closes an open one.
    void togglePopup();
    // As a press on row `index` of the open list does: selects and shows it, closes the list
    // and raises Click(index). Nothing happens while the control is disabled.
    void pickItem(int index);

    QString caption() const { return m_caption; }
    bool isOpen() const { return m_open; }
    bool isPressedFlag() const { return m_pressed; }
    // The pop-up list window (for the host's tests and the gallery).
    QWidget *listWindow() const;
    int listHeight() const; // pixels
    int rowPitch() const;   // pixels per row of the list
    // Screen rectangle the list takes when opened for this control now.
    QRect listGeometry() const;

    QSize sizeHint() const override;

  signals:
    void Click(int index);

  protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

  private:
    friend class ComboList;
    void redraw();
    void hoverRow(int row);
    void pick();
    void closeWithoutPick();
    void openChanged();
    void setCaption(const QString &caption);
    void placeCaption();
    QSize faceSize() const;

    QStringList m_items;
    int m_selected = -1;
    QString m_caption = QStringLiteral("0");
    bool m_showSize = false;
    bool m_captionPlaced = false;
    bool m_captionCompact = false;
    bool m_pressed = false;
    bool m_open = false;
    ComboList *m_list = nullptr;
};

} // namespace tonvara
