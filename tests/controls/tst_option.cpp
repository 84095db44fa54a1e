// The option controls: clicks report without changing the selection; sizes; the lit and grey
// faces of the seventeen keys.
#include "C_Option.h"
#include "RenderHelpers.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

using namespace tonvara;
using namespace tonvara::test;

namespace {

int litPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c(image.pixel(x, y));
            if (c.red() > 200 && c.green() > 130 && c.blue() < 110)
                ++count;
        }
    return count;
}

template <typename Control>
int clickCount(Control &control, Qt::MouseButton button, QPointF press, QPointF release)
{
    QSignalSpy click(&control, &Control::Click);
    sendMouse(&control, QEvent::MouseButtonPress, press, button, button);
    sendMouse(&control, QEvent::MouseButtonRelease, release, button, Qt::NoButton);
    return int(click.count());
}

} // namespace

class TestOption : public QObject
{
    Q_OBJECT
  private slots:
    void clickLeavesSelection_data();
    void clickLeavesSelection();
    void optionWidthAndHeight_data();
    void optionWidthAndHeight();
    void optionLooks();
    void keySizeAndLegend_data();
    void keySizeAndLegend();
    void keyLitAndGrey_data();
    void keyLitAndGrey();
    void badKeyIndexIgnored_data();
    void badKeyIndexIgnored();
};

void TestOption::clickLeavesSelection_data()
{
    QTest::addColumn<bool>("extended");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<int>("button");
    QTest::addColumn<QPointF>("release");
    QTest::addColumn<int>("clicks");
    QTest::newRow("option: click on a selected one")
        << false << true << int(Qt::LeftButton) << QPointF(5, 5) << 1;
    QTest::newRow("option: click on the caption")
        << false << false << int(Qt::LeftButton) << QPointF(60, 8) << 1;
    QTest::newRow("option: release outside is no click")
        << false << false << int(Qt::LeftButton) << QPointF(300, 8) << 0;
    QTest::newRow("option: right button is no click")
        << false << false << int(Qt::RightButton) << QPointF(5, 5) << 0;
    QTest::newRow("key: click on a selected one")
        << true << true << int(Qt::LeftButton) << QPointF(5, 5) << 1;
    QTest::newRow("key: click on an unselected one")
        << true << false << int(Qt::LeftButton) << QPointF(20, 10) << 1;
    QTest::newRow("key: release outside is no click")
        << true << true << int(Qt::LeftButton) << QPointF(-3, 5) << 0;
}

void TestOption::clickLeavesSelection()
{
    QFETCH(bool, extended);
    QFETCH(bool, selected);
    QFETCH(int, button);
    QFETCH(QPointF, release);
    QFETCH(int, clicks);
    const auto mb = Qt::MouseButton(button);
    if (extended) {
        C_OptionEx key;
        key.setValue(selected);
        QCOMPARE(clickCount(key, mb, QPointF(5, 5), release), clicks);
        QCOMPARE(key.value(), selected);
    } else {
        C_Option option;
        option.resize(120, 17);
        option.setValue(selected);
        QCOMPARE(clickCount(option, mb, QPointF(5, 5), release), clicks);
        QCOMPARE(option.value(), selected);
    }
}

void TestOption::optionWidthAndHeight_data()
{
    QTest::addColumn<QSize>("asked");
    QTest::addColumn<QSize>("given");
    QTest::newRow("300 twips wide becomes 500") << QSize(20, 40) << QSize(33, 17);
    QTest::newRow("2000 twips wide stays") << QSize(133, 10) << QSize(133, 17);
}

void TestOption::optionWidthAndHeight()
{
    QFETCH(QSize, asked);
    QFETCH(QSize, given);
    C_Option option;
    option.resize(asked);
    QCOMPARE(option.size(), given);
}

void TestOption::optionLooks()
{
    C_Option option;
    QCOMPARE(option.caption(), QStringLiteral("Label1"));
    option.resize(120, 17);
    const QImage unselected = renderWidget(option);
    option.setValue(true);
    const QImage selected = renderWidget(option);
    // Lit indicator and yellow caption only while selected.
    QCOMPARE(litPixels(unselected), 0);
    QVERIFY(litPixels(selected.copy(0, 0, 16, 17)) > 20);
    bool yellowCaption = false;
    for (int y = 0; y < 17; ++y)
        for (int x = 19; x < 120; ++x)
            yellowCaption = yellowCaption || QColor(selected.pixel(x, y)) == QColor(255, 255, 0);
    QVERIFY(yellowCaption);
    QCOMPARE(pixel(selected, 110, 2), QColor(127, 127, 127));
}

void TestOption::keySizeAndLegend_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("legend");
    QTest::addColumn<int>("role"); // what an assistive tool is told the key is
    QTest::newRow("flat 1") << 0 << QSize(36, 22) << QStringLiteral("\u266d1")
                            << int(QAccessible::PushButton);
    QTest::newRow("flat 5") << 4 << QSize(36, 22) << QStringLiteral("\u266d5")
                            << int(QAccessible::PushButton);
    QTest::newRow("natural") << 5 << QSize(36, 22) << QStringLiteral("\u266e")
                             << int(QAccessible::PushButton);
    QTest::newRow("sharp 1") << 6 << QSize(36, 22) << QStringLiteral("#1")
                             << int(QAccessible::PushButton);
    QTest::newRow("sharp 5") << 10 << QSize(36, 22) << QStringLiteral("#5")
                             << int(QAccessible::PushButton);
    QTest::newRow("AUTO") << 11 << QSize(44, 22) << QStringLiteral("AUTO")
                          << int(QAccessible::RadioButton);
    QTest::newRow("AUX 660 x 330 twips")
        << 12 << QSize(44, 22) << QStringLiteral("AUX") << int(QAccessible::RadioButton);
    QTest::newRow("BGM") << 13 << QSize(44, 22) << QStringLiteral("BGM")
                         << int(QAccessible::RadioButton);
    // The switches are check boxes: Qt 6.4's AT-SPI bridge has no toggle-button role.
    QTest::newRow("Mute") << 14 << QSize(42, 24) << QStringLiteral("Mute")
                          << int(QAccessible::CheckBox);
    QTest::newRow("Lock 630 x 360 twips")
        << 15 << QSize(42, 24) << QStringLiteral("Lock") << int(QAccessible::CheckBox);
    QTest::newRow("Reset") << 16 << QSize(42, 24) << QStringLiteral("Reset")
                           << int(QAccessible::PushButton);
}

void TestOption::keySizeAndLegend()
{
    QFETCH(int, index);
    QFETCH(QSize, size);
    QFETCH(QString, legend);
    QFETCH(int, role);
    C_OptionEx key;
    key.setButtonIndex(index);
    key.resize(100, 100); // whatever the host asks
    QCOMPARE(key.size(), size);
    QCOMPARE(C_OptionEx::legend(index), legend);
    // Without a name from its host, a tool meets the key by its legend.
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&key);
    QCOMPARE(iface->text(QAccessible::Name), legend);
    QCOMPARE(int(iface->role()), role);
}

void TestOption::keyLitAndGrey_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < C_OptionEx::kKeyCount; ++i)
        QTest::newRow(qPrintable(C_OptionEx::legend(i))) << i;
}

void TestOption::keyLitAndGrey()
{
    QFETCH(int, index);
    C_OptionEx key;
    key.setButtonIndex(index);
    const QImage grey = renderWidget(key);
    key.setValue(true);
    const QImage lit = renderWidget(key);
    QCOMPARE(litPixels(grey), 0);
    QVERIFY(litPixels(lit) > lit.width() * lit.height() / 3);
    // The legend is drawn on both faces: the centre band has more than one colour.
    for (const QImage &face : {grey, lit}) {
        const QRect ink = inkBox(face, QRect(4, 4, face.width() - 8, face.height() - 8),
                                 QColor(face.pixel(4, face.height() / 2)));
        QVERIFY(!ink.isNull());
    }
}

void TestOption::badKeyIndexIgnored_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("17") << 17;
    QTest::newRow("255") << 255;
    QTest::newRow("-1") << -1;
}

void TestOption::badKeyIndexIgnored()
{
    QFETCH(int, index);
    C_OptionEx key;
    key.setButtonIndex(12);
    key.setButtonIndex(index);
    QCOMPARE(key.buttonIndex(), 12);
    QCOMPARE(key.size(), QSize(44, 22));
    QVERIFY(!renderWidget(key).isNull());
}

QTEST_MAIN(TestOption)
#include "tst_option.moc"
