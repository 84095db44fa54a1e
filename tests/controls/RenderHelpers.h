// Small helpers of the control tests: render a widget to an image and look at its pixels.
#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>
#include <QMouseEvent>
#include <QRect>
#include <QWidget>

namespace tonvara::test {

inline QImage renderWidget(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

inline QColor pixel(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

// Bounding box of the pixels in area that differ from background; null when none do.
inline QRect inkBox(const QImage &image, const QRect &area, const QColor &background)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (QColor(image.pixel(x, y)) != background)
                box |= QRect(x, y, 1, 1);
    return box;
}

// Pointer events as the window system delivers them to the widget.
inline void sendMouse(QWidget *widget, QEvent::Type type, QPointF pos,
                      Qt::MouseButton button = Qt::NoButton,
                      Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

inline void sendEnter(QWidget *widget, QPointF pos)
{
    QEnterEvent event(pos, pos, widget->mapToGlobal(pos));
    QCoreApplication::sendEvent(widget, &event);
}

inline void sendLeave(QWidget *widget)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace tonvara::test
