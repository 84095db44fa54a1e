#include "MainPages.h"

#include "C_Button.h"
#include "C_ComboBox.h"
#include "C_FlagBar.h"
#include "C_Option.h"
#include "C_ProgressBar.h"
#include "C_ScrollBar.h"
#include "CommandFrame.h"
#include "FactoryValues.h"
#include "LiveFrames.h"
#include "PageLayout.h"
#include "ProfileCommands.h"
#include "SettingControls.h"
#include "SettingEditor.h"
#include "TargetLink.h"
#include "TitleStrip.h"
#include "VolSetPanel.h"
#include "WindowMenu.h"

#include <QEvent>
#include <QLabel>
#include <QScrollBar>
#include <QWidget>

namespace tonvara {

namespace {

const QColor kPanelGrey(61, 63, 63);

// Slider's title and read-out are centred on this x of the slider.
constexpr int kSliderCentreX = 51;

// Left edges (twips, in the container or window) of each slider row in its view.
int musicEqLeft(int i) { return 1230 * i; }
int musicOutputLeft(int i) { return 1000 + 1140 * (i - 8); }
int micLeft(int i) { return 380 + 1100 * i; }
int effLeft(int i) { return 1000 * i; }
int ktvLeft(int i) { return 1260 * i; }
constexpr int kFrameLeft = 300;
constexpr int kFrame1Top = 1240;
constexpr int kFrame2Top = 6030;
constexpr int kSliderTopInFrame = 70;

constexpr int kKeyLefts[11] = {2400, 3165, 3930, 4710, 5475, 6240, 7005, 7770, 8550, 9315, 10080};
constexpr int kInputLefts[3] = {2400, 3105, 3840};
constexpr int kInputFaces[3] = {11, 13, 12}; // AUTO, BGM, AUX
constexpr int kSwitchLefts[3] = {8520, 9315, 10080};
constexpr int kSwitchTops[3] = {8940, 8955, 8955};
constexpr const char *kCommandCaptions[4] = {"Read", "Upload", "Import", "Save"};
constexpr int kCommandLefts[4] = {11220, 11220, 12660, 12660};
constexpr int kCommandTops[4] = {8640, 9045, 8640, 9045};

// A slider is named after the title its row's strip shows over it, the title a sighted user
// reads (the slider's own Title is stored but not shown).
C_ScrollBar *makeSlider(TableId table, int slot, const SliderSpec &layout, const QString &name,
                        QWidget *parent)
{
    const SlotSpec &slotDef = slotSpec(table, slot);
    auto *slider = new C_ScrollBar(parent);
    slider->setObjectName(name);
    C_ScrollBar::Settings settings;
    settings.maxValue = slotDef.maximum;
    settings.title = QString::fromLatin1(layout.controlTitle);
    settings.text1 = QString::fromLatin1(layout.text1);
    settings.text2 = QString::fromLatin1(layout.text2);
    settings.text3 = QString::fromLatin1(layout.text3);
    settings.showSize = true; // 1665 twips high: the tall layout
    settings.valueTipType = slotDef.valueTipType;
    slider->loadSettings(settings);
    slider->setAccessibleName(QString::fromUtf8(slotDef.title));
    slider->resize(twipsToPixels(layout.widthTwips), twipsToPixels(kSliderHeightTwips));
    return slider;
}

QString slotTitle(TableId table, int slot)
{
    return QString::fromUtf8(slotSpec(table, slot).title);
}

QLabel *panelLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setBold(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: rgb(255, 255, 128); background: transparent;"));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->adjustSize();
    return label;
}

// The strip's titles, each centred over the read-out of its slot's slider.
std::vector<std::pair<int, QString>> stripTitles(const TitleStripSpec &strip, int offsetTwips,
                                                 int (*sliderLeft)(int), int firstIndex)
{
    std::vector<std::pair<int, QString>> result;
    for (int i = 0; i < strip.slotCount; ++i) {
        // Where the slider and the strip are placed, each rounded on its own.
        const int sliderX = twipsToPixels(offsetTwips) + twipsToPixels(sliderLeft(firstIndex + i));
        const int centre = sliderX - twipsToPixels(strip.leftTwips) + kSliderCentreX;
        result.emplace_back(centre, slotTitle(strip.table, strip.firstSlot + i));
    }
    return result;
}

} // namespace

MainPages::MainPages(WindowServices &services, ParameterStore &store, QWidget *host)
    : QObject(host), m_services(services), m_store(store), m_host(host),
      m_settingControls(std::make_unique<SettingControls>(*this, store)),
      m_editor(new SettingEditor(store, *m_settingControls, this)),
      m_windowMenu(new WindowMenu(*m_editor, host))
{
    buildMusicPanel();
    buildMicPanel();
    buildEffPanel();
    m_volSet = new VolSetPanel(store, host);
    connect(m_volSet, &VolSetPanel::startLevelScrolled, this, &MainPages::onStartLevelScrolled);
    connect(m_volSet, &VolSetPanel::groupEdited, m_editor, &SettingEditor::userVolGroupEdit);
    buildBottomRow();
    buildStatusAndButtons();
    setReadingOrder();

    const auto strip = [&](int n, int offsetTwips, int (*sliderLeft)(int), int firstIndex) {
        const TitleStripSpec &layout = kTitleStrips[static_cast<std::size_t>(n - 1)];
        auto *picture =
            new TitleStrip(QSize(layout.widthPixels, layout.heightPixels),
                           stripTitles(layout, offsetTwips, sliderLeft, firstIndex), host);
        picture->setObjectName(QStringLiteral("Picture%1").arg(n));
        picture->move(twipsPoint(layout.leftTwips, layout.topTwips));
        picture->hide();
        m_pictures[static_cast<std::size_t>(n - 1)] = picture;
    };
    strip(1, kFrameLeft, musicEqLeft, 0);
    strip(2, kFrameLeft, musicOutputLeft, 8);
    strip(3, 0, micLeft, 0);
    strip(4, kFrameLeft, ktvLeft, 0);
    strip(5, kFrameLeft, effLeft, 0);

    // A drag from press to release is one step: the sliders' presses and releases end it.
    // The controls that act on any mouse button keep the right one for themselves.
    // The sliders move the pointer with their knob through the window services, which know
    // whether the window system allows it.
    for (TableId table : kAllTables)
        for (int slot = 0; slot < slotCount(table); ++slot)
            if (C_ScrollBar *slider = tableSlider(table, slot)) {
                slider->installEventFilter(this);
                slider->setWindowServices(&services);
            }
    for (int k = 0; k < kVolSetCount; ++k) {
        m_volSet->startSlider(k)->installEventFilter(this);
        m_volSet->startSlider(k)->setWindowServices(&services);
    }
    for (QWidget *control : std::initializer_list<QWidget *>{
             m_flagBar1, m_flagBar2, m_flagBar3, m_comboBox[0], m_comboBox[1], m_comboBox[2]})
        control->installEventFilter(this);
    for (C_Button *button : m_button1)
        button->installEventFilter(this);
}

bool MainPages::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        m_editor->endGesture();
        return false;
    case QEvent::ContextMenu: {
        // No window menu over a control the right button works: a slider whose knob it took
        // (any button drags), a toggle, a list, a command button. Elsewhere on a slider the
        // window's menu opens.
        const auto *slider = qobject_cast<C_ScrollBar *>(watched);
        return !slider || slider->isDragActive();
    }
    default:
        return false;
    }
}

MainPages::~MainPages() = default;

void MainPages::buildMusicPanel()
{
    m_frame1 = new QWidget(m_host);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setAccessibleName(QStringLiteral("MUSIC MODE"));
    for (int i = 0; i < 16; ++i) {
        C_ScrollBar *slider =
            makeSlider(TableId::Music, i, kMusicSliders[static_cast<std::size_t>(i)],
                       QStringLiteral("C_ScrollBar7_%1").arg(i), m_frame1);
        m_scrollBar7[static_cast<std::size_t>(i)] = slider;
        connect(slider, &C_ScrollBar::Scroll, this,
                [this, i] { onTableSliderScroll(TableId::Music, i); });
    }
    m_flagBar2 = new C_FlagBar(m_frame1);
    m_flagBar2->setObjectName(QStringLiteral("C_FlagBar2"));
    m_flagBar2->setValueInvert(slotSpec(TableId::Music, kEffInCSlot).isInvertedToggle());
    m_flagBar2->setAccessibleName(slotTitle(TableId::Music, kEffInCSlot));
    m_flagBar3 = new C_FlagBar(m_frame1);
    m_flagBar3->setObjectName(QStringLiteral("C_FlagBar3"));
    m_flagBar3->setAccessibleName(slotTitle(TableId::Music, kSubInvertSlot));
    connect(m_flagBar2, &C_FlagBar::Click, this, [this] { onMusicToggle(16); });
    connect(m_flagBar3, &C_FlagBar::Click, this, [this] { onMusicToggle(17); });
    m_label3 = panelLabel(slotTitle(TableId::Music, kEffInCSlot), m_frame1);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label6 = panelLabel(slotTitle(TableId::Music, kSubInvertSlot), m_frame1);
    m_label6->setObjectName(QStringLiteral("Label6"));

    auto *list = new C_ComboBox(m_host);
    list->setObjectName(QStringLiteral("C_ComboBox1"));
    list->setAccessibleName(QStringLiteral("MUSIC MODE"));
    list->move(twipsPoint(2580, 880));
    m_comboBox[0] = list;
    connect(list, &C_ComboBox::Click, this, &MainPages::chooseMusicMode);

    const char *captions[2] = {"Balanced", "Aid"};
    const QRect places[2] = {twipsRect(5670, 915, 1365, 255), twipsRect(7200, 920, 765, 255)};
    for (int i = 0; i < 2; ++i) {
        auto *option = new C_Option(m_host);
        option->setObjectName(QStringLiteral("C_Option1_%1").arg(i));
        option->setCaption(QString::fromLatin1(captions[i]));
        option->setGeometry(places[i]);
        option->setValue(i == 0);
        m_option1[static_cast<std::size_t>(i)] = option;
        connect(option, &C_Option::Click, this, [this, i] {
            m_option1[static_cast<std::size_t>(i)]->setValue(true);
            m_option1[static_cast<std::size_t>(1 - i)]->setValue(false);
            showMusicView(i);
        });
    }
}

void MainPages::buildMicPanel()
{
    for (int i = 0; i < 9; ++i) {
        C_ScrollBar *slider = makeSlider(TableId::Mic, i, kMicSliders[static_cast<std::size_t>(i)],
                                         QStringLiteral("C_ScrollBar1_%1").arg(i), m_host);
        m_scrollBar1[static_cast<std::size_t>(i)] = slider;
        connect(slider, &C_ScrollBar::Scroll, this,
                [this, i] { onTableSliderScroll(TableId::Mic, i); });
    }
    auto *list = new C_ComboBox(m_host);
    list->setObjectName(QStringLiteral("C_ComboBox2"));
    list->setAccessibleName(QStringLiteral("MIC MODE"));
    list->move(twipsPoint(2580, 3260));
    m_comboBox[1] = list;
    connect(list, &C_ComboBox::Click, this, &MainPages::chooseMicMode);
}

void MainPages::buildEffPanel()
{
    m_frame2 = new QWidget(m_host);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setAccessibleName(QStringLiteral("EFF MODE"));
    for (int i = 0; i < 8; ++i) {
        C_ScrollBar *slider = makeSlider(TableId::Ktv, i, kKtvSliders[static_cast<std::size_t>(i)],
                                         QStringLiteral("C_ScrollBar3_%1").arg(i), m_frame2);
        m_scrollBar3[static_cast<std::size_t>(i)] = slider;
        connect(slider, &C_ScrollBar::Scroll, this,
                [this, i] { onTableSliderScroll(TableId::Ktv, i); });
    }
    for (int i = 0; i < 10; ++i) {
        C_ScrollBar *slider = makeSlider(TableId::Eff, i, kEffSliders[static_cast<std::size_t>(i)],
                                         QStringLiteral("C_ScrollBar2_%1").arg(i), m_frame2);
        m_scrollBar2[static_cast<std::size_t>(i)] = slider;
        connect(slider, &C_ScrollBar::Scroll, this,
                [this, i] { onTableSliderScroll(TableId::Eff, i); });
    }
    auto *list = new C_ComboBox(m_host);
    list->setObjectName(QStringLiteral("C_ComboBox3"));
    list->setAccessibleName(QStringLiteral("EFF MODE"));
    list->move(twipsPoint(2580, 5648));
    m_comboBox[2] = list;
    connect(list, &C_ComboBox::Click, this, &MainPages::chooseEffMode);
}

void MainPages::buildBottomRow()
{
    for (int k = 0; k < 11; ++k) {
        auto *key = new C_OptionEx(m_host);
        key->setObjectName(QStringLiteral("C_OptionEx1_%1").arg(k));
        key->setButtonIndex(k);
        key->move(twipsPoint(kKeyLefts[k], 8460));
        key->setValue(k == kNaturalKey);
        key->setAccessibleName(QStringLiteral("KEY ") + C_OptionEx::legend(k));
        m_optionEx1[static_cast<std::size_t>(k)] = key;
        connect(key, &C_OptionEx::Click, this, [this, k] { onKeyClick(k); });
    }
    for (int k = 0; k < 3; ++k) {
        auto *input = new C_OptionEx(m_host);
        input->setObjectName(QStringLiteral("C_OptionEx2_%1").arg(k));
        input->setButtonIndex(kInputFaces[k]);
        input->move(twipsPoint(kInputLefts[k], 8955));
        input->setValue(k == 1);
        input->setAccessibleName(QStringLiteral("INPUT ") + C_OptionEx::legend(kInputFaces[k]));
        m_optionEx2[static_cast<std::size_t>(k)] = input;
        connect(input, &C_OptionEx::Click, this, [this, k] { onInputClick(k); });
    }
    m_flagBar1 = new C_FlagBar(m_host);
    m_flagBar1->setObjectName(QStringLiteral("C_FlagBar1"));
    m_flagBar1->move(twipsPoint(7140, 8940));
    m_flagBar1->setAccessibleName(QStringLiteral("EXCITER"));
    connect(m_flagBar1, &C_FlagBar::Click, this, &MainPages::onExciterClick);
    for (int k = 0; k < 3; ++k) {
        auto *button = new C_OptionEx(m_host);
        button->setObjectName(QStringLiteral("C_OptionEx3_%1").arg(k));
        button->setButtonIndex(14 + k);
        button->move(twipsPoint(kSwitchLefts[k], kSwitchTops[k]));
        button->setAccessibleName(C_OptionEx::legend(14 + k));
        m_optionEx3[static_cast<std::size_t>(k)] = button;
        connect(button, &C_OptionEx::Click, this, [this, k] { onSwitchClick(k); });
    }
}

void MainPages::buildStatusAndButtons()
{
    m_label5 = new QLabel(QStringLiteral("ORB-350TZ"), m_host);
    m_label5->setObjectName(QStringLiteral("Label5"));
    m_label5->setGeometry(twipsRect(11220, 240, 2595, 495));
    QFont modelFont(QStringLiteral("Liberation Sans"));
    modelFont.setStyleHint(QFont::SansSerif);
    modelFont.setPixelSize(22);
    modelFont.setBold(true);
    m_label5->setFont(modelFont);
    m_label5->setStyleSheet(QStringLiteral("color: rgb(224, 224, 224); background: transparent;"));
    m_label5->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_label4 = new QLabel(QString::fromLatin1(TargetLink::kNotConnected), m_host);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setGeometry(twipsRect(11160, 9750, 2775, 375));
    m_label4->setAlignment(Qt::AlignCenter);
    QFont statusFont(QStringLiteral("Liberation Sans"));
    statusFont.setStyleHint(QFont::SansSerif);
    statusFont.setPixelSize(14);
    statusFont.setBold(true);
    m_label4->setFont(statusFont);
    m_label4->setStyleSheet(QStringLiteral("color: rgb(0, 255, 255); background: transparent;"));

    m_progress = new C_ProgressBar(m_host);
    m_progress->setObjectName(QStringLiteral("C_ProgressBar1"));
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    m_progress->setGeometry(twipsRect(0, 9720, 11070, 375));

    for (int k = 0; k < 4; ++k) {
        auto *button = new C_Button(m_host);
        button->setObjectName(QStringLiteral("C_Button1_%1").arg(k));
        button->setButtonIndex(0);
        button->setCaption(QString::fromLatin1(kCommandCaptions[k]));
        button->move(twipsPoint(kCommandLefts[k], kCommandTops[k]));
        m_button1[static_cast<std::size_t>(k)] = button;
        connect(button, &C_Button::Click, this, [this, k] {
            if (const auto &action = m_commandActions[static_cast<std::size_t>(k)])
                action();
        });
    }
}

void MainPages::setReadingOrder()
{
    // Tab walks the window as it reads: each mode panel left to right and its VOL(SET) group
    // beside it, panel by panel down the window, then the bottom row and the command buttons.
    // Hidden controls (the other view of a panel) are passed over by Tab.
    std::vector<QWidget *> order;
    const auto add = [&order](auto &&widgets) {
        for (QWidget *w : widgets)
            order.push_back(w);
    };
    const auto addVolSet = [&](int k) {
        order.push_back(m_volSet->startSlider(k));
        for (int row = 0; row < 3; ++row) {
            order.push_back(m_volSet->entry(3 * k + row));
            order.push_back(m_volSet->spin(3 * k + row));
        }
    };
    add(std::initializer_list<QWidget *>{m_comboBox[0], m_option1[0], m_option1[1], m_flagBar2,
                                         m_flagBar3});
    add(m_scrollBar7);
    addVolSet(0);
    order.push_back(m_comboBox[1]);
    add(m_scrollBar1);
    addVolSet(1);
    order.push_back(m_comboBox[2]);
    add(m_scrollBar3);
    add(m_scrollBar2);
    addVolSet(2);
    add(m_optionEx1);
    add(m_optionEx2);
    order.push_back(m_flagBar1);
    add(m_optionEx3);
    add(std::initializer_list<QWidget *>{m_button1[0], m_button1[2], m_button1[1], m_button1[3]});
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    // The window opens with the focus where it always had it, on the first MUSIC MODE slider,
    // so arrow keys over that knob work from the start as they did.
    m_scrollBar7[0]->setFocus(Qt::OtherFocusReason);
}

void MainPages::setCommandAction(int index, std::function<void()> action)
{
    m_commandActions[static_cast<std::size_t>(index)] = std::move(action);
}

void MainPages::placeTitleStrips()
{
    for (int n = 1; n <= 5; ++n)
        m_pictures[static_cast<std::size_t>(n - 1)]->setVisible(n == 3);
}

void MainPages::loadAddresses()
{
    m_store.loadAddresses();
}

void MainPages::placeMicRow()
{
    for (int i = 0; i < 9; ++i)
        m_scrollBar1[static_cast<std::size_t>(i)]->move(twipsPoint(micLeft(i), 3660));
    for (auto *s : m_scrollBar7)
        s->setTitleVisible(false);
    for (auto *s : m_scrollBar1)
        s->setTitleVisible(false);
    for (auto *s : m_scrollBar3)
        s->setTitleVisible(false);
    for (auto *s : m_scrollBar2)
        s->setTitleVisible(false);
}

void MainPages::styleContainers()
{
    for (QWidget *frame : {m_frame1, m_frame2}) {
        frame->setAutoFillBackground(true);
        QPalette palette = frame->palette();
        palette.setColor(QPalette::Window, kPanelGrey);
        frame->setPalette(palette);
    }
    m_frame1->setGeometry(twipsRect(kFrameLeft, kFrame1Top, 10200, 1780));
    showMusicView(0);
    m_frame2->setGeometry(twipsRect(kFrameLeft, kFrame2Top, 10200, 1780));
    showEffView(0);
    // The title strips lie in front of the containers.
    for (TitleStrip *picture : m_pictures)
        picture->raise();
}

void MainPages::fillModeLists()
{
    const auto addModes = [](C_ComboBox *list, TableId table) {
        for (int row = 0; row < shapeOf(table).rowCount; ++row)
            list->addItem(QString::fromStdString(modeName(table, row)));
    };
    addModes(m_comboBox[0], TableId::Music);
    addModes(m_comboBox[1], TableId::Mic);
    addModes(m_comboBox[2], TableId::Ktv);
    addModes(m_comboBox[2], TableId::Eff);
    for (C_ComboBox *list : m_comboBox)
        list->setTopIndex(0);
}

ParameterStore MainPages::factorySettings() const
{
    ParameterStore factory = factoryStore();
    // Reset keeps the modes shown.
    factory.musicMode = m_store.musicMode;
    factory.micMode = m_store.micMode;
    factory.effMode = m_store.effMode;
    return factory;
}

void MainPages::loadDefaults()
{
    m_editor->putWholeEditor(factorySettings());
}

void MainPages::showMusicView(int view)
{
    for (auto *s : m_scrollBar7)
        s->hide();
    for (QWidget *w : std::initializer_list<QWidget *>{m_flagBar2, m_flagBar3, m_label3, m_label6})
        w->hide();
    if (view == 0) {
        for (int i = 0; i < 8; ++i) {
            m_scrollBar7[static_cast<std::size_t>(i)]->move(
                twipsPoint(musicEqLeft(i), kSliderTopInFrame));
            m_scrollBar7[static_cast<std::size_t>(i)]->show();
        }
        m_pictures[0]->show();
        m_pictures[1]->hide();
        return;
    }
    for (int i = 8; i < 16; ++i) {
        m_scrollBar7[static_cast<std::size_t>(i)]->move(
            twipsPoint(musicOutputLeft(i), kSliderTopInFrame));
        m_scrollBar7[static_cast<std::size_t>(i)]->show();
    }
    m_flagBar2->move(twipsPoint(300, 450));
    m_flagBar3->move(twipsPoint(300, 1150));
    m_label3->move(twipsPoint(200, 250));
    m_label6->move(twipsPoint(200, 950));
    for (QWidget *w : std::initializer_list<QWidget *>{m_flagBar2, m_flagBar3, m_label3, m_label6})
        w->show();
    m_pictures[0]->hide();
    m_pictures[1]->show();
}

void MainPages::showEffView(int modeNumber)
{
    for (auto *s : m_scrollBar3)
        s->hide();
    for (auto *s : m_scrollBar2)
        s->hide();
    if (modeNumber >= 20) {
        for (int i = 0; i < 10; ++i) {
            m_scrollBar2[static_cast<std::size_t>(i)]->move(
                twipsPoint(effLeft(i), kSliderTopInFrame));
            m_scrollBar2[static_cast<std::size_t>(i)]->show();
        }
        m_pictures[3]->hide();
        m_pictures[4]->show();
    } else {
        for (int i = 0; i < 8; ++i) {
            m_scrollBar3[static_cast<std::size_t>(i)]->move(
                twipsPoint(ktvLeft(i), kSliderTopInFrame));
            m_scrollBar3[static_cast<std::size_t>(i)]->show();
        }
        m_pictures[3]->show();
        m_pictures[4]->hide();
    }
    // The new view is painted before the caller goes on (a mode send may take a while).
    m_services.processPendingEvents();
}

void MainPages::chooseMusicMode(int index)
{
    chooseMode(0, index);
}

void MainPages::chooseMicMode(int index)
{
    chooseMode(1, index);
}

void MainPages::chooseEffMode(int index)
{
    chooseMode(2, index);
}

void MainPages::chooseMode(int list, int index)
{
    if (index < 0 || index >= m_comboBox[static_cast<std::size_t>(list)]->itemCount())
        return;
    m_editor->userChange(SettingRef::modeList(list), index);
}

void MainPages::resetCommandButtons()
{
    for (C_Button *button : m_button1)
        button->setState(C_Button::Normal);
}

C_ScrollBar *MainPages::tableSlider(TableId table, int slot) const
{
    switch (table) {
    case TableId::Music:
        return slot < 16 ? m_scrollBar7[static_cast<std::size_t>(slot)] : nullptr;
    case TableId::Mic:
        return m_scrollBar1[static_cast<std::size_t>(slot)];
    case TableId::Ktv:
        return m_scrollBar3[static_cast<std::size_t>(slot)];
    case TableId::Eff:
        return m_scrollBar2[static_cast<std::size_t>(slot)];
    }
    return nullptr;
}

C_FlagBar *MainPages::flagBar(int n) const
{
    return n == 1 ? m_flagBar1 : (n == 2 ? m_flagBar2 : m_flagBar3);
}

C_ComboBox *MainPages::modeList(int n) const
{
    return m_comboBox[static_cast<std::size_t>(n - 1)];
}

void MainPages::showSlotValue(TableId table, int slot, std::uint8_t value)
{
    if (table == TableId::Music && slot >= 16)
        (slot == 16 ? m_flagBar2 : m_flagBar3)->setValue(value != 0);
    else if (C_ScrollBar *slider = tableSlider(table, slot))
        slider->setValue(value);
    markSlot(table, slot);
}

void MainPages::showCurrentModes()
{
    m_store.showCurrentModes(*this);
    // The rows of the table the EFF MODE list does not show lose their marks too.
    markAllSlots();
}

void MainPages::setSlotMarks(std::function<bool(TableId, int, int)> marked)
{
    m_slotMarked = std::move(marked);
    markAllSlots();
}

void MainPages::markAllSlots()
{
    for (const TableId table : kAllTables)
        for (int slot = 0; slot < shapeOf(table).slotCount; ++slot)
            markSlot(table, slot);
}

void MainPages::markSlot(TableId table, int slot)
{
    const int row = m_store.currentRow(table);
    const bool marked = m_slotMarked && row >= 0 && m_slotMarked(table, row, slot);
    if (table == TableId::Music && slot >= 16)
        (slot == 16 ? m_flagBar2 : m_flagBar3)->setMarked(marked);
    else if (C_ScrollBar *slider = tableSlider(table, slot))
        slider->setMarked(marked);
}

bool MainPages::connected() const
{
    return m_editor->connected();
}

void MainPages::onTableSliderScroll(TableId table, int slot)
{
    // Only the shown row's sliders are visible; every slider of the window has ValueGlobal off.
    const int row = m_store.currentRow(table);
    if (row < 0)
        return;
    C_ScrollBar *slider = tableSlider(table, slot);
    m_editor->userChange(SettingRef::cell(table, row, slot), slider->value(),
                         /*continuing=*/slider->isDragActive());
}

void MainPages::onMusicToggle(int slot)
{
    const C_FlagBar *toggle = slot == 16 ? m_flagBar2 : m_flagBar3;
    m_editor->userChange(SettingRef::cell(TableId::Music, m_store.musicMode, slot),
                         toggle->value() ? 1 : 0);
}

void MainPages::onExciterClick()
{
    m_editor->userChange(SettingRef::of(EditKind::Exciter), m_flagBar1->value() ? 1 : 0);
}

void MainPages::onInputClick(int k)
{
    m_editor->userChange(SettingRef::of(EditKind::Input), k);
}

void MainPages::onKeyClick(int k)
{
    for (C_OptionEx *key : m_optionEx1)
        key->setValue(false);
    m_optionEx1[static_cast<std::size_t>(k)]->setValue(true);
    m_store.keyIndex = static_cast<std::uint8_t>(k);
    if (!connected()) {
        if (m_startKeyTimer)
            m_startKeyTimer();
        return;
    }
    const bool answered = sendLiveFrame(*m_link, keyFrame(k));
    // The target refuses a key by answering something else: the row returns to natural soon.
    if (answered && m_link->replyBuffer()[0] != AckByte && m_startKeyTimer)
        m_startKeyTimer();
}

void MainPages::onSwitchClick(int k)
{
    C_OptionEx *button = m_optionEx3[static_cast<std::size_t>(k)];
    if (k < 2) {
        const SettingRef setting = SettingRef::of(k == 0 ? EditKind::Mute : EditKind::Lock);
        if (SettingEditor::needsConnection(setting) && !connected()) {
            sayNotAvailable();
            return;
        }
        button->setValue(!button->value());
        m_editor->userChange(setting, button->value() ? 1 : 0);
        return;
    }
    button->setValue(!button->value());
    m_editor->replaceEditor("Reset", factorySettings());
    m_services.messageBox(QString::fromLatin1(kResetNotice), MessageIcon::Warning,
                          MessageButtons::Ok);
    button->setValue(false);
    // Reset sends nothing, but holds the window like Mute and Lock while connected.
    if (connected()) {
        setMainWindowEnabled(false);
        setMainWindowEnabled(true);
    }
}

void MainPages::sayNotAvailable()
{
    m_services.messageBox(QString::fromLatin1(kNotAvailable), MessageIcon::Warning,
                          MessageButtons::Ok);
}

void MainPages::onStartLevelScrolled(int k)
{
    const C_ScrollBar *slider = m_volSet->startSlider(k);
    m_editor->userChange(SettingRef::startLevel(k), slider->value(),
                         /*continuing=*/slider->isDragActive());
}

void MainPages::setStatusCaption(const QString &text)
{
    m_label4->setText(text);
}

void MainPages::setStatusHint(const QString &tooltip)
{
    m_label4->setToolTip(tooltip);
}

void MainPages::setMainWindowEnabled(bool enabled)
{
    m_host->setEnabled(enabled);
}

void MainPages::setProgressValue(int percent)
{
    m_progress->setValue(percent);
}

void MainPages::showNaturalKey()
{
    for (C_OptionEx *key : m_optionEx1)
        key->setValue(false);
    m_optionEx1[kNaturalKey]->setValue(true);
    m_store.keyIndex = kNaturalKey;
}

void MainPages::setStartLevel(int k, int level)
{
    m_volSet->setStartLevel(k, level);
}

int MainPages::startLevel(int k) const
{
    return m_volSet->startLevel(k);
}

int MainPages::maxEntryNumber(int k) const
{
    return m_volSet->maxEntryNumber(k);
}

void MainPages::setMute(bool on)
{
    m_optionEx3[0]->setValue(on);
    m_store.mute = on;
}

void MainPages::setLock(bool on)
{
    m_optionEx3[1]->setValue(on);
    m_store.lock = on;
}

void MainPages::setExciter(bool on)
{
    m_flagBar1->setValue(on);
    m_store.exciter = on;
}

void MainPages::clearInputs()
{
    for (C_OptionEx *input : m_optionEx2)
        input->setValue(false);
    m_store.inputSelect = kNoInput;
}

void MainPages::selectInput(int index)
{
    if (index < 0 || index > 2)
        return;
    m_optionEx2[static_cast<std::size_t>(index)]->setValue(true);
    m_store.inputSelect = static_cast<std::uint8_t>(index);
}

bool MainPages::muteOn() const
{
    return m_optionEx3[0]->value();
}

bool MainPages::lockOn() const
{
    return m_optionEx3[1]->value();
}

bool MainPages::exciterOn() const
{
    return m_flagBar1->value();
}

int MainPages::selectedInput() const
{
    for (int k = 0; k < 3; ++k)
        if (m_optionEx2[static_cast<std::size_t>(k)]->value())
            return k;
    return kNoInput;
}

void MainPages::applyVolSetGroup(int k, int minLevel, int maxLevel, int startMode)
{
    m_volSet->applyGroup(k, minLevel, maxLevel, startMode);
}

int MainPages::spinValue(int index) const
{
    return m_volSet->spinValue(index);
}

} // namespace tonvara

namespace tonvara {

ProfileData MainPages::currentProfile() const
{
    return profileFromStore(m_store);
}

void MainPages::saveProfile()
{
    tonvara::saveProfile(m_services, currentProfile());
}

void MainPages::importProfile()
{
    if (const std::optional<ProfileData> profile = tonvara::importProfile(m_services))
        takeProfile("Import", *profile);
}

void MainPages::takeProfile(const std::string &label, const ProfileData &profile)
{
    ParameterStore taken = m_store;
    applyProfileToStore(profile, taken);
    m_editor->replaceEditor(label, taken);
}

} // namespace tonvara
