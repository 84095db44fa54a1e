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
    font.setBold(true);
    // The largest size at which no two neighbouring titles touch.
    int gap = size.width();
    for (std::size_t i = 1; i < m_titles.size(); ++i)
        gap = std::min(gap, m_titles[i].first - m_titles[i - 1].first);
    int pixelSize = std::max(9, size.height() - 4);
    for (; pixelSize > 8; --pixelSize) {
        font.setPixelSize(pixelSize);
        const QFontMetrics metrics(font);
        int widest = 0;
        for (const auto &title : m_titles)
            widest = std::max(widest, metrics.horizontalAdvance(title.second));
        if (widest + 3 <= gap)
            break;
    }
    font.setPixelSize(pixelSize);
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
