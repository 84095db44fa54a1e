// Where every placed control of the main window sits, checked against the twips of the layout:
// each position and size becomes the nearest pixel (15 twips to a pixel), never a truncated one.
#include "MainPages.h"
#include "PagesWindow.h"

#include <QTest>

using namespace tonvara;

namespace {

// The nearest pixel of a twips figure; 15 is odd, so no figure lies half-way.
int px(int twips)
{
    return (2 * twips + 15) / 30;
}

constexpr int kOwnSize = -1; // the control takes the size of its face

} // namespace

class TestPlacement : public QObject
{
    Q_OBJECT
  private slots:
    void controlSitsOnItsTwips_data();
    void controlSitsOnItsTwips();
};

void TestPlacement::controlSitsOnItsTwips_data()
{
    QTest::addColumn<QString>("name"); // object name
    QTest::addColumn<QString>("view"); // "" as loaded, "Aid" output view, "EFF1" EFF view
    QTest::addColumn<QRect>("twips");  // left, top, width, height in its container

    const auto row = [](const QString &name, const QString &view, int l, int t, int w, int h) {
        QTest::newRow(qPrintable(name + (view.isEmpty() ? QString() : QLatin1Char(' ') + view)))
            << name << view << QRect(l, t, w, h);
    };
    const QString loaded;
    row(QStringLiteral("Frame1"), loaded, 300, 1240, 10200, 1780);
    row(QStringLiteral("Frame2"), loaded, 300, 6030, 10200, 1780);
    row(QStringLiteral("C_ComboBox1"), loaded, 2580, 880, 1050, 285);
    row(QStringLiteral("C_ComboBox2"), loaded, 2580, 3260, 1050, 285);
    row(QStringLiteral("C_ComboBox3"), loaded, 2580, 5648, 1050, 285);
    row(QStringLiteral("C_Option1_0"), loaded, 5670, 915, 1365, 255);
    row(QStringLiteral("C_Option1_1"), loaded, 7200, 920, 765, 255);
    row(QStringLiteral("Label5"), loaded, 11220, 240, 2595, 495);
    row(QStringLiteral("Label4"), loaded, 11160, 9750, 2775, 375);
    row(QStringLiteral("C_ProgressBar1"), loaded, 0, 9720, 11070, 375);

    // Title strips: sizes given in pixels.
    const int strips[5][4] = {{810, 1280, 619, 15},
                              {1540, 1260, 595, 16},
                              {860, 3640, 644, 13},
                              {550, 6080, 656, 14},
                              {600, 6040, 660, 16}};
    for (int n = 0; n < 5; ++n)
        row(QStringLiteral("Picture%1").arg(n + 1), loaded, strips[n][0], strips[n][1],
            strips[n][2] * 15, strips[n][3] * 15);

    const int musicWidths[16] = {1095, 1095, 1095, 1095, 1095, 1095, 1245, 1455,
                                 1215, 1215, 1455, 1455, 1455, 1215, 1335, 1215};
    for (int i = 0; i < 8; ++i)
        row(QStringLiteral("C_ScrollBar7_%1").arg(i), loaded, 1230 * i, 70, musicWidths[i], 1665);
    for (int i = 8; i < 16; ++i)
        row(QStringLiteral("C_ScrollBar7_%1").arg(i), QStringLiteral("Aid"), 1000 + 1140 * (i - 8),
            70, musicWidths[i], 1665);
    row(QStringLiteral("C_FlagBar2"), QStringLiteral("Aid"), 300, 450, 840, 345);
    row(QStringLiteral("C_FlagBar3"), QStringLiteral("Aid"), 300, 1150, 840, 345);
    row(QStringLiteral("Label3"), QStringLiteral("Aid"), 200, 250, kOwnSize, kOwnSize);
    row(QStringLiteral("Label6"), QStringLiteral("Aid"), 200, 950, kOwnSize, kOwnSize);

    const int micWidths[9] = {1095, 1095, 1095, 1095, 1095, 1095, 1095, 1245, 1485};
    for (int i = 0; i < 9; ++i)
        row(QStringLiteral("C_ScrollBar1_%1").arg(i), loaded, 380 + 1100 * i, 3660, micWidths[i],
            1665);
    const int ktvWidths[8] = {1335, 1335, 1335, 1335, 1335, 1335, 1335, 1095};
    for (int i = 0; i < 8; ++i)
        row(QStringLiteral("C_ScrollBar3_%1").arg(i), loaded, 1260 * i, 70, ktvWidths[i], 1665);
    for (int i = 0; i < 10; ++i)
        row(QStringLiteral("C_ScrollBar2_%1").arg(i), QStringLiteral("EFF1"), 1000 * i, 70, 1155,
            1665);

    const int keyLefts[11] = {2400, 3165, 3930, 4710, 5475, 6240, 7005, 7770, 8550, 9315, 10080};
    for (int k = 0; k < 11; ++k)
        row(QStringLiteral("C_OptionEx1_%1").arg(k), loaded, keyLefts[k], 8460, 540, 330);
    const int inputLefts[3] = {2400, 3105, 3840};
    for (int k = 0; k < 3; ++k)
        row(QStringLiteral("C_OptionEx2_%1").arg(k), loaded, inputLefts[k], 8955, 660, 330);
    row(QStringLiteral("C_FlagBar1"), loaded, 7140, 8940, 840, 345);
    const int switchLefts[3] = {8520, 9315, 10080};
    for (int k = 0; k < 3; ++k)
        row(QStringLiteral("C_OptionEx3_%1").arg(k), loaded, switchLefts[k], k == 0 ? 8940 : 8955,
            kOwnSize, kOwnSize);
    for (int k = 0; k < 4; ++k)
        row(QStringLiteral("C_Button1_%1").arg(k), loaded, k < 2 ? 11220 : 12660,
            k % 2 == 0 ? 8640 : 9045, 945, 390);

    const int entryTops[3][3] = {{1640, 2160, 2640}, {4030, 4560, 5040}, {6440, 6960, 7440}};
    const int captionTops[3][3] = {{1680, 2205, 2700}, {4080, 4605, 5100}, {6480, 7005, 7500}};
    for (int k = 0; k < 3; ++k) {
        row(QStringLiteral("C_ScrollBar4_%1").arg(k), loaded, 11040, 1320 + 2400 * k, 1095, 1665);
        row(QStringLiteral("Label2_%1").arg(k), loaded, 12945, 1320 + 2400 * k, 975, 255);
        for (int r = 0; r < 3; ++r) {
            const int index = 3 * k + r;
            row(QStringLiteral("Label1_%1").arg(index), loaded, 12495, captionTops[k][r], 975, 255);
            row(QStringLiteral("Text1_%1").arg(index), loaded, 12930, entryTops[k][r], 520, 270);
            row(QStringLiteral("VScroll1_%1").arg(index), loaded, 13480, entryTops[k][r], 200, 280);
        }
    }
}

void TestPlacement::controlSitsOnItsTwips()
{
    QFETCH(QString, name);
    QFETCH(QString, view);
    QFETCH(QRect, twips);

    PagesWindow w;
    w.load();
    if (view == QLatin1String("Aid"))
        w.pages.showMusicView(1);
    else if (view == QLatin1String("EFF1"))
        w.pages.showEffView(20);
    const QList<QWidget *> found = w.host.findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    const QRect placed = found.first()->geometry();
    QCOMPARE(placed.topLeft(), QPoint(px(twips.left()), px(twips.top())));
    if (twips.width() != kOwnSize)
        QCOMPARE(placed.size(), QSize(px(twips.width()), px(twips.height())));
}

QTEST_MAIN(TestPlacement)
#include "tst_placement.moc"
