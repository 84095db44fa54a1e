// A title strip laid over the top edge of a slider row: yellow column titles on the panel
// grey, each centred over its slider's read-out. Drawn once into a pixmap.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <utility>
#include <vector>

namespace tonvara {

class TitleStrip : public QWidget
{
    Q_OBJECT
public:
    // centres: x of each title's centre, in the strip's own pixels.
    TitleStrip(QSize size, std::vector<std::pair<int, QString>> titles, QWidget *parent);

    const std::vector<std::pair<int, QString>> &titles() const { return m_titles; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<std::pair<int, QString>> m_titles;
    QPixmap m_face;
};

} // namespace tonvara
