#include "ControlLooks.h"

#include "ControlMath.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>

namespace tonvara {

namespace {

QFont makeFont(const QString &family, double points, bool bold)
{
    QFont font(family);
    font.setStyleHint(QFont::SansSerif, QFont::PreferMatch);
    font.setPixelSize(pointsToPixels(points));
    font.setBold(bold);
    return font;
}

void fillRounded(QPainter &painter, const QRectF &rect, double radius, const QBrush &brush,
                 const QColor &border)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, brush);
    painter.setPen(QPen(border, 1.0));
    painter.drawPath(path);
}

} // namespace

QFont arialFont(double points, bool bold)
{
    return makeFont(QStringLiteral("Liberation Sans"), points, bold);
}

QFont simSunFont(double points, bool bold)
{
    return makeFont(QStringLiteral("WenQuanYi Micro Hei"), points, bold);
}

void drawPlainLine(QPainter &painter, int x1, int y1, int x2, int y2, int width,
                   const QColor &color)
{
    const int before = width / 2;
    if (y1 == y2) {
        const int left = std::min(x1, x2 + 1);
        const int right = x2 > x1 ? x2 - 1 : x1; // the end point stays unpainted
        if (right < left)
            return;
        painter.fillRect(QRect(left, y1 - before, right - left + 1, width), color);
    } else if (x1 == x2) {
        const int top = std::min(y1, y2 + 1);
        const int bottom = y2 > y1 ? y2 - 1 : y1;
        if (bottom < top)
            return;
        painter.fillRect(QRect(x1 - before, top, width, bottom - top + 1), color);
    }
}

void drawButtonFace(QPainter &painter, const QRect &rect, ButtonLook look)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    QColor border(18, 19, 20);
    switch (look) {
    case ButtonLook::Normal:
        body.setColorAt(0.0, QColor(104, 107, 110));
        body.setColorAt(0.5, QColor(74, 77, 80));
        body.setColorAt(1.0, QColor(50, 52, 54));
        break;
    case ButtonLook::Hover:
        body.setColorAt(0.0, QColor(128, 131, 134));
        body.setColorAt(0.5, QColor(92, 95, 98));
        body.setColorAt(1.0, QColor(62, 64, 66));
        border = kLitAmber.darker(130);
        break;
    case ButtonLook::Pressed:
        body.setColorAt(0.0, QColor(36, 38, 40));
        body.setColorAt(1.0, QColor(66, 69, 72));
        border = QColor(10, 10, 10);
        break;
    }
    fillRounded(painter, r, 3.0, body, border);
    // A one-pixel sheen under the top edge reads as a raised face; the pressed face has none.
    if (look != ButtonLook::Pressed) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QColor(255, 255, 255, 46));
        painter.drawLine(rect.left() + 3, rect.top() + 1, rect.right() - 3, rect.top() + 1);
    }
    painter.restore();
}

void drawComboFace(QPainter &painter, const QRect &rect, bool pressed)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient field(r.topLeft(), r.bottomLeft());
    field.setColorAt(0.0, QColor(24, 26, 28));
    field.setColorAt(1.0, QColor(44, 47, 50));
    fillRounded(painter, r, 2.0, field, QColor(96, 99, 102));

    const int buttonWidth = 14;
    const QRectF arrowBox(r.right() - buttonWidth, r.top() + 1, buttonWidth - 1, r.height() - 2);
    QLinearGradient button(arrowBox.topLeft(), arrowBox.bottomLeft());
    button.setColorAt(0.0, pressed ? QColor(40, 42, 44) : QColor(112, 115, 118));
    button.setColorAt(1.0, pressed ? QColor(70, 72, 74) : QColor(60, 62, 64));
    painter.setPen(Qt::NoPen);
    painter.fillRect(arrowBox, button);

    const QPointF c = arrowBox.center() + QPointF(0, pressed ? 1.0 : 0.0);
    QPainterPath arrow;
    arrow.moveTo(c.x() - 3.5, c.y() - 2.0);
    arrow.lineTo(c.x() + 3.5, c.y() - 2.0);
    arrow.lineTo(c.x(), c.y() + 2.5);
    arrow.closeSubpath();
    painter.fillPath(arrow, pressed ? kLitAmber : QColor(224, 224, 224));
    painter.restore();
}

void drawRockerFace(QPainter &painter, const QRect &rect, bool on)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    // Bezel.
    fillRounded(painter, r, 4.0, QColor(22, 23, 24), QColor(12, 12, 12));

    const QRectF inner = r.adjusted(2, 2, -2, -2);
    const double mid = inner.center().x();
    const QRectF left(inner.left(), inner.top(), mid - inner.left(), inner.height());
    const QRectF right(mid, inner.top(), inner.right() - mid, inner.height());
    // The raised half catches the light; the pressed-in half lies in shadow and shows its mark.
    const QRectF &raised = on ? left : right;
    const QRectF &sunk = on ? right : left;
    QLinearGradient lit(raised.topLeft(), raised.bottomLeft());
    lit.setColorAt(0.0, QColor(150, 153, 156));
    lit.setColorAt(1.0, QColor(92, 95, 98));
    QLinearGradient shade(sunk.topLeft(), sunk.bottomLeft());
    shade.setColorAt(0.0, QColor(44, 46, 48));
    shade.setColorAt(1.0, QColor(64, 66, 68));
    painter.setPen(Qt::NoPen);
    painter.fillRect(raised, lit);
    painter.fillRect(sunk, shade);
    painter.setPen(QPen(QColor(14, 14, 14), 1.0));
    painter.drawLine(QPointF(mid, inner.top()), QPointF(mid, inner.bottom()));

    const QPointF c = sunk.center();
    if (on) {
        // The "I" mark, lit amber: the switch is on.
        painter.setPen(QPen(kLitAmber, 2.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(c.x(), c.y() - 5.0), QPointF(c.x(), c.y() + 5.0));
    } else {
        painter.setPen(QPen(QColor(176, 178, 180), 1.6));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(c, 4.0, 4.5);
    }
    painter.restore();
}

void drawIndicator(QPainter &painter, const QRect &rect, bool lit)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPointF c = QRectF(rect).center();
    const double radius = std::min(rect.width(), rect.height()) / 2.0 - 1.0;
    painter.setPen(QPen(QColor(28, 28, 28), 1.2));
    QRadialGradient glow(c - QPointF(radius / 3, radius / 3), radius * 1.4);
    if (lit) {
        glow.setColorAt(0.0, QColor(255, 255, 190));
        glow.setColorAt(0.5, QColor(255, 230, 40));
        glow.setColorAt(1.0, QColor(200, 140, 0));
    } else {
        glow.setColorAt(0.0, QColor(110, 110, 108));
        glow.setColorAt(1.0, QColor(46, 46, 45));
    }
    painter.setBrush(glow);
    painter.drawEllipse(c, radius, radius);
    painter.restore();
}

void drawKeyFace(QPainter &painter, const QRect &rect, const QString &legend, bool lit)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    QColor text;
    QColor border;
    if (lit) {
        body.setColorAt(0.0, QColor(255, 232, 110));
        body.setColorAt(0.45, QColor(255, 196, 40));
        body.setColorAt(1.0, QColor(206, 138, 10));
        text = QColor(38, 26, 0);
        border = QColor(120, 78, 0);
    } else {
        body.setColorAt(0.0, QColor(126, 129, 132));
        body.setColorAt(0.45, QColor(96, 99, 102));
        body.setColorAt(1.0, QColor(66, 68, 70));
        text = QColor(214, 216, 218);
        border = QColor(24, 25, 26);
    }
    fillRounded(painter, r, 3.0, body, border);
    painter.setPen(text);
    const QFont textFont = arialFont(legend.size() > 2 ? 7.5 : 9.0, /*bold=*/true);
    const bool musicSign =
        !legend.isEmpty() && (legend.front() == QChar(0x266d) || legend.front() == QChar(0x266e));
    if (!musicSign) {
        painter.setFont(textFont);
        painter.drawText(rect, Qt::AlignCenter, legend);
        painter.restore();
        return;
    }
    // The flat and natural signs come out thin and small in text faces; draw them as paths
    // at the height of the digits, and centre sign and digit together.
    const bool flat = legend.front() == QChar(0x266d);
    const QString rest = legend.mid(1);
    const int signWidth = flat ? 7 : 6;
    const int gap = rest.isEmpty() ? 0 : 1;
    const int restWidth = QFontMetrics(textFont).horizontalAdvance(rest);
    const int left = rect.left() + (rect.width() - signWidth - gap - restWidth) / 2;
    const double top = rect.top() + rect.height() / 2.0 - 7.0;
    painter.setBrush(Qt::NoBrush);
    if (flat) {
        // Stem with a bowl at its foot.
        painter.setPen(QPen(text, 1.6, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(left + 1.5, top), QPointF(left + 1.5, top + 13.0));
        QPainterPath bowl;
        bowl.moveTo(left + 1.5, top + 8.5);
        bowl.cubicTo(left + 5.0, top + 5.5, left + 8.0, top + 8.0, left + 1.5, top + 13.0);
        painter.setPen(QPen(text, 1.5));
        painter.drawPath(bowl);
    } else {
        // Two offset stems joined by two rising bars.
        painter.setPen(QPen(text, 1.4, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(left + 1.0, top), QPointF(left + 1.0, top + 10.5));
        painter.drawLine(QPointF(left + 5.0, top + 3.5), QPointF(left + 5.0, top + 14.0));
        painter.setPen(QPen(text, 2.2, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(left + 1.0, top + 5.0), QPointF(left + 5.0, top + 3.8));
        painter.drawLine(QPointF(left + 1.0, top + 10.0), QPointF(left + 5.0, top + 8.8));
    }
    painter.setPen(text);
    painter.setFont(textFont);
    painter.drawText(QRect(left + signWidth + gap, rect.top(), restWidth + 1, rect.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, rest);
    painter.restore();
}

void drawFocusMark(QPainter &painter, const QRect &rect)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kFocusAmber, 1.0, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

void drawDifferenceMark(QPainter &painter, const QRect &rect)
{
    const int size = std::min({kDifferenceMarkSize, rect.width(), rect.height()});
    for (int row = 0; row < size; ++row)
        painter.fillRect(rect.right() - size + 1 + row, rect.top() + row, size - row, 1,
                         kDifferenceRed);
}

} // namespace tonvara
