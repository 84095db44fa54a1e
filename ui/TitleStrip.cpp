#include "TitleStrip.h"

#include <QFontMetrics>
#include <QPainter>

namespace tonvara {

namespace {
const QColor kPanelGrey(61, 63, 63);
const QColor kTitleYellow(255, 255, 128);
} // namespace

TitleStrip::TitleStrip(QSize size, std::vector<std::pair<int, QString>> titles, QWidget *parent)
    : QWidget(parent), m_titles(std::move(titles)), m_face(size)
{
    setFixedSize(size);
    setAttribute(Qt::WA_TransparentForMouseEvents); // presses reach the sliders below

    m_face.fill(kPanelGrey);
    QPainter p(&m_face);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(9, size.height() - 4));
    font.setBold(true);
    p.setFont(font);
    p.setPen(kTitleYellow);
    const QFontMetrics metrics(font);
    for (const auto &[centre, text] : m_titles) {
        const int width = metrics.horizontalAdvance(text);
        p.drawText(QRect(centre - width / 2, 0, width + 1, size.height()), Qt::AlignCenter, text);
    }
}

void TitleStrip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawPixmap(0, 0, m_face);
}

} // namespace tonvara
