// controls-gallery: one of each control of the library in each of its states on the dark
// panel of the main window. With --screenshot PATH it writes the picture and exits.

#include "C_Button.h"
#include "C_ComboBox.h"
#include "C_FlagBar.h"
#include "C_Option.h"
#include "C_ProgressBar.h"
#include "C_ScrollBar.h"
#include "ControlLooks.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <cstdio>

using namespace tonvara;

namespace {

class Panel : public QWidget
{
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), kPanelGrey);
    }
};

QLabel *caption(QWidget *parent, const QString &text, int x, int y)
{
    auto *label = new QLabel(text, parent);
    label->setFont(arialFont(9));
    label->setStyleSheet(QStringLiteral("color: rgb(200, 200, 200);"));
    label->move(x, y);
    return label;
}

C_ScrollBar *slider(QWidget *parent, int x, int y, const C_ScrollBar::Settings &settings, int value)
{
    auto *s = new C_ScrollBar(parent);
    s->loadSettings(settings);
    s->setGeometry(x, y, 84, s->height());
    s->setValue(value);
    return s;
}

// Moves the pointer onto the knob the way the window system would, to show the lit knob.
void hoverKnob(C_ScrollBar *s)
{
    const QPointF at(50, s->knobY());
    QMouseEvent move(QEvent::MouseMove, at, s->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(s, &move);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption shot(QStringLiteral("screenshot"),
                            QStringLiteral("Write the gallery as a PNG file and exit."),
                            QStringLiteral("path"));
    parser.addOption(shot);
    parser.process(app);

    Panel panel;
    panel.setWindowTitle(QStringLiteral("Tonvara controls"));
    panel.resize(900, 560);

    caption(&panel,
            QStringLiteral("Sliders: normal, lit knob, tall, disabled, each read-out unit, "
                           "REV DLY marked as differing"),
            12, 8);
    const QString none;
    slider(&panel, 10, 28,
           {20, "MUSIC 63Hz", "None", "+10", "0", "-10", true, false, true, false, 6}, 13);
    auto *lit =
        slider(&panel, 96, 28,
               {15, "ECHO A", "None", "196ms", none, "12ms", true, false, true, false, 1}, 8);
    slider(&panel, 182, 28,
           {21, "SUB FREQ", "None", "230Hz", none, "20Hz", true, true, true, false, 8}, 21);
    auto *disabled =
        slider(&panel, 268, 28,
               {60, "REV1 TIME", "None", "6s", none, "0s", true, false, true, false, 2}, 35);
    disabled->setEnabled(false);
    slider(&panel, 354, 28,
           {127, "ECHO B", "None", "381ms", none, "0ms", true, false, true, false, 4}, 0);
    slider(&panel, 440, 28, {6, "LIMIT", "None", "2V", "1.2V", "OFF", true, false, true, false, 9},
           3);
    auto *marked =
        slider(&panel, 526, 28,
               {40, "REV DLY", "None", "40ms", none, "0ms", true, false, true, false, 3}, 25);
    marked->setMarked(true);
    slider(&panel, 612, 28,
           {3, "HI CURVE", "None", "3dB", none, "0dB", true, false, false, false, 5}, 2);
    slider(&panel, 698, 28,
           {100, "START", "None", "Max", "Mid", "Min", true, false, true, false, 0}, 60);
    hoverKnob(lit);

    caption(&panel, QStringLiteral("Buttons: normal, hover, pressed; small"), 12, 150);
    const char *captions[] = {"Read", "Upload", "Import", "Save"};
    for (int i = 0; i < 3; ++i) {
        auto *b = new C_Button(&panel);
        b->setCaption(QString::fromLatin1(captions[i]));
        b->move(12 + i * 72, 170);
        b->setState(i);
    }
    for (int i = 0; i < 3; ++i) {
        auto *b = new C_Button(&panel);
        b->setButtonIndex(1);
        b->setCaption(QString::fromLatin1(captions[3]));
        b->move(240 + i * 52, 172);
        b->setState(i);
    }

    caption(&panel, QStringLiteral("Rockers: off, on (marked)"), 420, 150);
    auto *off = new C_FlagBar(&panel);
    off->move(420, 170);
    auto *on = new C_FlagBar(&panel);
    on->move(484, 170);
    on->setValue(true);
    on->setMarked(true);

    caption(&panel, QStringLiteral("Options"), 560, 150);
    auto *optionOff = new C_Option(&panel);
    optionOff->setCaption(QStringLiteral("Line in"));
    optionOff->setGeometry(560, 168, 100, 17);
    auto *optionOn = new C_Option(&panel);
    optionOn->setCaption(QStringLiteral("Optical"));
    optionOn->setGeometry(560, 188, 100, 17);
    optionOn->setValue(true);

    caption(&panel, QStringLiteral("Drop-down lists: closed, compact, open"), 12, 430);
    const char *modes[] = {"MUSIC1", "MUSIC2", "MUSIC3", "MUSIC4", "MUSIC5", "MUSIC6"};
    auto *closed = new C_ComboBox(&panel);
    closed->move(12, 450);
    auto *compact = new C_ComboBox(&panel);
    compact->setShowSize(true);
    compact->move(100, 452);
    auto *open = new C_ComboBox(&panel);
    open->move(190, 450);
    for (C_ComboBox *c : {closed, compact, open}) {
        for (const char *m : modes)
            c->addItem(QString::fromLatin1(m));
    }
    closed->setTopIndex(0);
    compact->setTopIndex(3);
    open->setTopIndex(1);

    caption(&panel, QStringLiteral("Keys: lit and unlit"), 12, 215);
    for (int i = 0; i < C_OptionEx::kKeyCount; ++i) {
        int x = 12;
        for (int j = 0; j < i; ++j)
            x += C_OptionEx::faceSize(j).width() + 4;
        for (int litRow = 0; litRow < 2; ++litRow) {
            auto *key = new C_OptionEx(&panel);
            key->setButtonIndex(i);
            key->setValue(litRow == 0);
            key->move(x, 236 + litRow * 30);
        }
    }

    caption(&panel, QStringLiteral("Progress: 0%, 50%, 100%"), 12, 306);
    const int percents[] = {0, 50, 100};
    for (int i = 0; i < 3; ++i) {
        auto *bar = new C_ProgressBar(&panel);
        bar->setGeometry(12, 326 + i * 34, 738, 25);
        bar->setValue(percents[i]);
    }

    panel.show();
    // Open the third list as a user would, by a press on its face.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 8), open->mapToGlobal(QPointF(10, 8)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(open, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(10, 8),
                        open->mapToGlobal(QPointF(10, 8)), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(open, &release);

    if (!parser.isSet(shot))
        return app.exec();

    const QString path = parser.value(shot);
    int result = 1;
    QTimer::singleShot(0, &app, [&] {
        QImage image = panel.grab().toImage();
        // The list is a window of its own; put it where it floats over the panel.
        if (QWidget *list = open->listWindow(); list->isVisible()) {
            QPainter p(&image);
            p.drawImage(panel.mapFromGlobal(list->pos()), list->grab().toImage());
        }
        if (image.save(path, "PNG")) {
            result = 0;
        } else {
            std::fprintf(stderr, "controls-gallery: cannot write %s\n", qPrintable(path));
        }
        app.quit();
    });
    app.exec();
    return result;
}
