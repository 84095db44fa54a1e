#include "C_ProgressBar.h"

#include "ControlAccessibility.h"
#include "ControlLooks.h"
#include "ControlMath.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

namespace tonvara {

namespace {

const QColor kSurface(224, 224, 224);
const QColor kRemainder(192, 192, 192);
const QColor kTextColor(255, 255, 192);
const QColor kStart(255, 0, 0);
const QColor kEnd(0, 0, 255);

int gradientComponent(int start, int end, int columns, int i)
{
    const double step = static_cast<double>(end - start) / columns;
    return std::clamp(roundHalfEven(start + step * i), 0, 255);
}

} // namespace

void drawProgressBar(QImage &image, int percent)
{
    const int w = image.width();
    const int h = image.height();
    if (w < 1 || h < 1)
        return;
    percent = std::clamp(percent, 0, 100);
    image.fill(kSurface);
    QPainter p(&image);
    p.setPen(Qt::NoPen);

    p.fillRect(0, 0, w, 1, Qt::black);
    p.fillRect(0, h - 1, w, 1, Qt::black);
    p.fillRect(0, 0, 1, h, Qt::black);
    p.fillRect(w - 1, 0, 1, h, Qt::black);

    const int filled = roundHalfEven(w * percent / 100.0);
    const int columns = w - 3;
    const int innerHeight = h - 2;
    if (columns > 0 && innerHeight > 0) {
        for (int i = 0; i <= filled - 3; ++i) {
            const QColor c(gradientComponent(kStart.red(), kEnd.red(), columns, i),
                           gradientComponent(kStart.green(), kEnd.green(), columns, i),
                           gradientComponent(kStart.blue(), kEnd.blue(), columns, i));
            p.fillRect(1 + i, 1, 1, innerHeight, c);
        }
        // The first grey column repaints the last gradient one, as the bar always has.
        for (int k = std::max(filled - 3, 1); k <= columns - 1; ++k)
            p.fillRect(1 + k, 1, 1, innerHeight, kRemainder);
    }

    p.setFont(simSunFont(14.25, /*bold=*/true));
    p.setPen(kTextColor);
    const int textLeft = roundHalfEven(w / 2.0 - 10);
    p.drawText(QRect(textLeft, 3, std::max(w - textLeft, 1), std::max(h - 3, 1)),
               Qt::AlignLeft | Qt::AlignTop, QString::number(percent) + QStringLiteral("%"));
}

C_ProgressBar::C_ProgressBar(QWidget *parent) : QWidget(parent)
{
    installControlAccessibility();
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(738, 25);
}

QSize C_ProgressBar::sizeHint() const
{
    return {738, 25};
}

void C_ProgressBar::setValue(int percent)
{
    const int value = std::clamp(percent, 0, 100);
    const bool changed = value != m_value;
    m_value = value;
    if (changed)
        announceValue(this, m_value);
    // Drawn at once: the transmit path writes the value from inside its reply wait.
    repaint();
}

void C_ProgressBar::paintEvent(QPaintEvent *)
{
    QImage image(size(), QImage::Format_RGB32);
    drawProgressBar(image, m_value);
    QPainter p(this);
    p.drawImage(0, 0, image);
}

} // namespace tonvara
