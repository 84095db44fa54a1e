// Framed progress bar: red-to-blue gradient for the part done, light grey for the rest, and
// the percentage printed over it. Written by the transmit path during bulk transfers; no
// events. Owned by the main window; user-interface thread only.
#pragma once

#include <QWidget>

class QImage;

namespace tonvara {

class C_ProgressBar : public QWidget
{
    Q_OBJECT
  public:
    explicit C_ProgressBar(QWidget *parent = nullptr);

    // Percentage 0..100; values outside are limited. Redraws at once.
    void setValue(int percent);
    int value() const { return m_value; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    int m_value = 0;
};

// Draws the bar for the given percentage over an image of the bar's size.
void drawProgressBar(QImage &image, int percent);

} // namespace tonvara
