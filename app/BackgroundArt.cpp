#include "BackgroundArt.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

namespace tonvara {

namespace {

const QColor kPanelFace(52, 54, 55);
const QColor kCaption(236, 200, 96);
const QColor kCaptionDim(190, 196, 200);

// A recessed panel: dark fill, a thin shadow on top-left and a highlight on bottom-right.
void drawPanel(QPainter &p, const QRectF &r)
{
    QPainterPath path;
    path.addRoundedRect(r, 6, 6);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(44, 46, 47));
    fill.setColorAt(1, QColor(36, 38, 39));
    p.fillPath(path, fill);
    p.setPen(QPen(QColor(18, 19, 20), 1.5));
    p.drawPath(path);
    p.setPen(QPen(QColor(96, 100, 104, 160), 1));
    p.drawLine(r.bottomLeft() + QPointF(6, 1), r.bottomRight() + QPointF(-6, 1));
}

void drawCaption(QPainter &p, const QPointF &at, const QString &text, const QColor &colour,
                 int pixelSize = 13)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 150));
    p.drawText(at + QPointF(1, 1), text);
    p.setPen(colour);
    p.drawText(at, text);
}

void drawScrew(QPainter &p, QPointF c)
{
    QRadialGradient g(c - QPointF(1.5, 1.5), 6);
    g.setColorAt(0, QColor(170, 174, 178));
    g.setColorAt(1, QColor(70, 72, 74));
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(g);
    p.drawEllipse(c, 4.5, 4.5);
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.drawLine(c + QPointF(-3, 0), c + QPointF(3, 0));
}

} // namespace

QImage renderBackground()
{
    QImage image(kBackgroundWidth, kBackgroundHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Brushed metal: a vertical gradient with fine horizontal grain from a fixed seed, so
    // every start draws the same picture.
    QLinearGradient face(0, 0, 0, kBackgroundHeight);
    face.setColorAt(0, QColor(74, 77, 79));
    face.setColorAt(0.5, kPanelFace);
    face.setColorAt(1, QColor(40, 42, 43));
    p.fillRect(image.rect(), face);
    QRandomGenerator grain(350);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int y = 0; y < kBackgroundHeight; ++y) {
        const int shade = grain.bounded(-6, 7);
        p.fillRect(QRect(0, y, kBackgroundWidth, 1),
                   shade >= 0 ? QColor(255, 255, 255, shade * 3) : QColor(0, 0, 0, -shade * 4));
    }
    p.setRenderHint(QPainter::Antialiasing);

    // Top strip with the product name area on the right.
    QLinearGradient strip(0, 0, 0, 46);
    strip.setColorAt(0, QColor(30, 32, 33));
    strip.setColorAt(1, QColor(22, 23, 24));
    p.fillRect(QRectF(0, 0, kBackgroundWidth, 46), strip);
    p.setPen(QPen(QColor(236, 200, 96, 180), 2));
    p.drawLine(QPointF(0, 46), QPointF(kBackgroundWidth, 46));
    drawCaption(p, QPointF(22, 30), QStringLiteral("DIGITAL KARAOKE PROCESSOR"), kCaptionDim, 15);

    // Left panels: MUSIC MODE, MIC MODE, EFF MODE; the bottom row; the right column.
    drawPanel(p, QRectF(10, 54, 704, 152));
    drawPanel(p, QRectF(10, 212, 704, 148));
    drawPanel(p, QRectF(10, 368, 704, 160));
    drawPanel(p, QRectF(10, 536, 704, 100));
    for (int k = 0; k < 3; ++k)
        drawPanel(p, QRectF(724, 54 + 160.0 * k, 200, 150));
    drawPanel(p, QRectF(724, 536, 200, 100));

    // The MIC MODE sliders sit on the window itself: give their row the sliders' own grey.
    p.fillRect(QRect(20, 243, 680, 114), QColor(61, 63, 63));

    drawCaption(p, QPointF(24, 74), QStringLiteral("MUSIC MODE"), kCaption);
    drawCaption(p, QPointF(24, 232), QStringLiteral("MIC MODE"), kCaption);
    drawCaption(p, QPointF(24, 390), QStringLiteral("EFF MODE"), kCaption);
    drawCaption(p, QPointF(734, 74), QStringLiteral("MUSIC VOL(SET)"), kCaption, 12);
    drawCaption(p, QPointF(734, 234), QStringLiteral("MIC VOL(SET)"), kCaption, 12);
    drawCaption(p, QPointF(734, 394), QStringLiteral("EFF VOL(SET)"), kCaption, 12);
    drawCaption(p, QPointF(108, 580), QStringLiteral("KEY:"), kCaptionDim, 12);
    drawCaption(p, QPointF(96, 613), QStringLiteral("INPUT:"), kCaptionDim, 12);
    drawCaption(p, QPointF(406, 613), QStringLiteral("EXCITER:"), kCaptionDim, 12);
    drawCaption(p, QPointF(760, 571), QStringLiteral("DEVICE"), kCaptionDim, 11);
    drawCaption(p, QPointF(860, 571), QStringLiteral("LOCAL"), kCaptionDim, 11);

    for (QPointF c : {QPointF(6, 6), QPointF(928, 6), QPointF(6, 642), QPointF(928, 642)})
        drawScrew(p, c);
    return image;
}

} // namespace tonvara
