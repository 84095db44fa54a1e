// The progress bar's pixels: border, gradient, grey remainder, background column and text.
#include "C_ProgressBar.h"
#include "RenderHelpers.h"

#include <QTest>

using namespace tonvara;
using namespace tonvara::test;

namespace {

const QColor kSurface(224, 224, 224);
const QColor kGrey(192, 192, 192);
const QColor kBlack(0, 0, 0);

QImage bar(int w, int h, int percent)
{
    C_ProgressBar progress;
    progress.resize(w, h);
    progress.setValue(percent);
    return renderWidget(progress);
}

} // namespace

class TestProgressBar : public QObject
{
    Q_OBJECT
  private slots:
    void columns_data();
    void columns();
    void textStartsLeftOfTheMiddle_data();
    void textStartsLeftOfTheMiddle();
    void sameValueTwiceSamePicture();
    void outOfRangeIsLimited_data();
    void outOfRangeIsLimited();
};

void TestProgressBar::columns_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("x");
    QTest::addColumn<QColor>("color");
    // The main window's bar, 738 x 25, at 50%: F = 369, 735 gradient steps.
    QTest::newRow("50: left border") << 738 << 50 << 0 << kBlack;
    QTest::newRow("50: first column is red") << 738 << 50 << 1 << QColor(255, 0, 0);
    QTest::newRow("50: column 2 still rounds to red") << 738 << 50 << 2 << QColor(255, 0, 0);
    QTest::newRow("50: column 101") << 738 << 50 << 101 << QColor(220, 0, 35);
    QTest::newRow("50: last gradient column 366") << 738 << 50 << 366 << QColor(128, 0, 127);
    QTest::newRow("50: grey from 367") << 738 << 50 << 367 << kGrey;
    QTest::newRow("50: grey to 735") << 738 << 50 << 735 << kGrey;
    QTest::newRow("50: background column 736") << 738 << 50 << 736 << kSurface;
    QTest::newRow("50: right border 737") << 738 << 50 << 737 << kBlack;
    QTest::newRow("0: column 1 keeps the background") << 738 << 0 << 1 << kSurface;
    QTest::newRow("0: grey from 2") << 738 << 0 << 2 << kGrey;
    QTest::newRow("0: grey to W-3") << 738 << 0 << 735 << kGrey;
    QTest::newRow("0: background at W-2") << 738 << 0 << 736 << kSurface;
    QTest::newRow("100: red at 1") << 738 << 100 << 1 << QColor(255, 0, 0);
    QTest::newRow("100: blue at W-3") << 738 << 100 << 735 << QColor(0, 0, 255);
    QTest::newRow("100: blue at W-2") << 738 << 100 << 736 << QColor(0, 0, 255);
    QTest::newRow("100: right border") << 738 << 100 << 737 << kBlack;
    // A narrow bar: W 100, 1%: F = 1, no gradient, grey from 1 (k = max(F-3, 1)).
    QTest::newRow("narrow 1%: column 1 keeps background") << 100 << 1 << 1 << kSurface;
    QTest::newRow("narrow 1%: grey from 2") << 100 << 1 << 2 << kGrey;
    // W 100, 5%: F = 5, gradient columns 1 and 2, the grey repaints column 3.
    QTest::newRow("narrow 5%: gradient column 2") << 100 << 5 << 2 << QColor(252, 0, 3);
    QTest::newRow("narrow 5%: grey repaints column 3") << 100 << 5 << 3 << kGrey;
}

void TestProgressBar::columns()
{
    QFETCH(int, w);
    QFETCH(int, percent);
    QFETCH(int, x);
    QFETCH(QColor, color);
    const QImage image = bar(w, 25, percent);
    // Rows 1 and 2 lie above the text, row 23 below it.
    for (int y : {1, 2, 23})
        QCOMPARE(pixel(image, x, y), color);
    if (x > 0 && x < w - 1) {
        QCOMPARE(pixel(image, x, 0), kBlack);
        QCOMPARE(pixel(image, x, 24), kBlack);
    }
}

void TestProgressBar::textStartsLeftOfTheMiddle_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("textLeft");
    QTest::newRow("738 at 50: 359") << 738 << 50 << 359;
    QTest::newRow("738 at 0") << 738 << 0 << 359;
    QTest::newRow("738 at 100") << 738 << 100 << 359;
    QTest::newRow("400 at 45") << 400 << 45 << 190;
}

void TestProgressBar::textStartsLeftOfTheMiddle()
{
    QFETCH(int, w);
    QFETCH(int, percent);
    QFETCH(int, textLeft);
    const QImage image = bar(w, 25, percent);
    const QImage plain = [&] {
        // The same bar without text: every pixel left of textLeft must match it.
        QImage reference(w, 25, QImage::Format_RGB32);
        drawProgressBar(reference, percent);
        return reference;
    }();
    QCOMPARE(image, plain); // the widget draws exactly the bar picture
    bool inkRight = false;
    for (int y = 3; y < 23; ++y) {
        for (int x = 1; x < textLeft; ++x) {
            const QColor c = pixel(image, x, y);
            const QColor above = pixel(image, x, 1); // the column's own colour
            QCOMPARE(c, above);
        }
        for (int x = textLeft; x < textLeft + 40; ++x)
            inkRight = inkRight || pixel(image, x, y) != pixel(image, x, 1);
    }
    QVERIFY2(inkRight, "the percentage is drawn from textLeft on");
}

void TestProgressBar::sameValueTwiceSamePicture()
{
    C_ProgressBar progress;
    progress.resize(738, 25);
    progress.setValue(45);
    const QImage once = renderWidget(progress);
    progress.setValue(45);
    QCOMPARE(renderWidget(progress), once);
}

void TestProgressBar::outOfRangeIsLimited_data()
{
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("shown");
    QTest::newRow("150 shows 100") << 150 << 100;
    QTest::newRow("255 shows 100") << 255 << 100;
    QTest::newRow("-5 shows 0") << -5 << 0;
}

void TestProgressBar::outOfRangeIsLimited()
{
    QFETCH(int, written);
    QFETCH(int, shown);
    QCOMPARE(bar(738, 25, written), bar(738, 25, shown));
}

QTEST_MAIN(TestProgressBar)
#include "tst_progressbar.moc"
