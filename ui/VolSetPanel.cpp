#include "VolSetPanel.h"

#include "C_ScrollBar.h"
#include "LiveFrames.h"
#include "PageLayout.h"
#include "SettingsCatalog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpressionValidator>
#include <QScrollBar>

namespace tonvara {

namespace {

const QColor kEntryGreen(192, 221, 113);
const QColor kPendingRed(255, 0, 0);

// Tops of the minimum, maximum and start-mode rows and of their captions, per group (twips).
constexpr int kEntryTops[3][3] = {{1640, 2160, 2640}, {4030, 4560, 5040}, {6440, 6960, 7440}};
constexpr int kCaptionTops[3][3] = {{1680, 2205, 2700}, {4080, 4605, 5100}, {6480, 7005, 7500}};
constexpr const char *kCaptions[3] = {" Min", " Max", "Mode"};

QLabel *whiteLabel(const QString &text, const QRect &geometry, QWidget *host)
{
    auto *label = new QLabel(text, host);
    label->setGeometry(geometry);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    return label;
}

} // namespace

VolEntry::VolEntry(bool acceptsDigits, QWidget *parent)
    : QLineEdit(parent), m_acceptsDigits(acceptsDigits)
{
    if (acceptsDigits) {
        setMaxLength(2);
        // Paste, drop and undo insert text without a key press: they take digits only too.
        setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    } else {
        setReadOnly(true);
    }
    setAlignment(Qt::AlignCenter);
    setFrame(false);
}

void VolEntry::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (m_acceptsDigits)
            emit enterPressed();
        return;
    }
    if (text.isEmpty() || !text.at(0).isPrint()) {
        // Keys without a character (arrows, Home, Delete, Tab) keep their usual meaning;
        // Backspace is a character here and is discarded.
        if (event->key() == Qt::Key_Backspace)
            return;
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (m_acceptsDigits && text.size() == 1 && text.at(0) >= u'0' && text.at(0) <= u'9')
        QLineEdit::keyPressEvent(event);
}

VolSetPanel::VolSetPanel(ParameterStore &store, QWidget *host) : QObject(host), m_store(store)
{
    for (int k = 0; k < 3; ++k) {
        auto *slider = new C_ScrollBar(host);
        slider->setObjectName(QStringLiteral("C_ScrollBar4_%1").arg(k));
        slider->setShowSize(true);
        slider->setMaxValue(kLevelMax);
        slider->setValueTipType(0);
        slider->setText1(QStringLiteral("Max"));
        slider->setText2(QStringLiteral("Mid"));
        slider->setText3(QStringLiteral("Min"));
        slider->setTitle(QString());
        slider->setTitleVisible(false);
        slider->setGeometry(twipsRect(11040, 1320 + 2400 * k, 1095, kSliderHeightTwips));
        const QString group = QStringLiteral("%1 VOL(SET) ")
                                  .arg(k == 0   ? "MUSIC"
                                       : k == 1 ? "MIC"
                                                : "EFF");
        slider->setAccessibleName(group + QStringLiteral("Start"));
        m_start[static_cast<std::size_t>(k)] = slider;
        connect(slider, &C_ScrollBar::Scroll, this, [this, k] { onStartScroll(k); });
        whiteLabel(QStringLiteral("Start"), twipsRect(12945, 1320 + 2400 * k, 975, 255), host)
            ->setObjectName(QStringLiteral("Label2_%1").arg(k));

        for (int row = 0; row < 3; ++row) {
            const int index = 3 * k + row;
            whiteLabel(QString::fromLatin1(kCaptions[row]),
                       twipsRect(12495, kCaptionTops[k][row], 975, 255), host)
                ->setObjectName(QStringLiteral("Label1_%1").arg(index));
            auto *entry = new VolEntry(/*acceptsDigits=*/row < 2, host);
            entry->setObjectName(QStringLiteral("Text1_%1").arg(index));
            entry->setAccessibleName(group + QString::fromLatin1(kCaptions[row]).trimmed());
            entry->setGeometry(twipsRect(12930, kEntryTops[k][row], 520, 270));
            QFont font(QStringLiteral("Liberation Sans"));
            font.setStyleHint(QFont::SansSerif);
            font.setPixelSize(11);
            font.setBold(true);
            entry->setFont(font);
            entry->setTextMargins(0, 0, 0, 0);
            m_entries[static_cast<std::size_t>(index)] = entry;
            setEntryColour(index, Qt::black);
            connect(entry, &QLineEdit::textChanged, this,
                    [this, index] { setEntryColour(index, kPendingRed); });
            connect(entry, &VolEntry::enterPressed, this, [this, index] {
                const VolSet before = m_store.volSet[static_cast<std::size_t>(index / 3)];
                commitEntry(index);
                setEntryColour(index, Qt::black);
                emit groupEdited(index / 3, index % 3, before);
            });

            auto *spin = new QScrollBar(Qt::Vertical, host);
            spin->setObjectName(QStringLiteral("VScroll1_%1").arg(index));
            spin->setAccessibleName(entry->accessibleName());
            spin->setFocusPolicy(Qt::TabFocus); // the start mode has no other keyboard way
            spin->setGeometry(twipsRect(13480, kEntryTops[k][row], 200, 280));
            spin->setRange(0, row < 2 ? kLevelMax : startModeMax(k));
            spin->setSingleStep(1);
            spin->setPageStep(1);
            m_spins[static_cast<std::size_t>(index)] = spin;
            connect(spin, &QScrollBar::actionTriggered, this,
                    [this, index] { onSpinAction(index); });
            connect(spin, &QScrollBar::valueChanged, this, [this, index] {
                // A correction inside spinChanged runs this again; only the outer run reports.
                const bool byUser = m_userSpin == index;
                m_userSpin = -1;
                spinChanged(index);
                if (byUser)
                    emit groupEdited(index / 3, index % 3, m_userSpinBefore);
            });
        }
    }
    // The values at creation: minimum 0, maximum 80, start mode 0.
    for (int k = 0; k < 3; ++k) {
        m_spins[static_cast<std::size_t>(3 * k + 1)]->setValue(kLevelMax);
        spinChanged(3 * k);
        spinChanged(3 * k + 2);
    }
}

void VolSetPanel::setEntryColour(int index, const QColor &colour)
{
    VolEntry *entry = m_entries[static_cast<std::size_t>(index)];
    entry->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; padding: 0; }")
                             .arg(kEntryGreen.name(), colour.name()));
}

int VolSetPanel::entryNumber(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : 0;
}

QString VolSetPanel::startModeText(int group, int startMode)
{
    return QString::fromStdString(tonvara::startModeText(group, startMode));
}

void VolSetPanel::spinChanged(int index)
{
    const int k = index / 3;
    QScrollBar *spin = m_spins[static_cast<std::size_t>(index)];
    VolEntry *entry = m_entries[static_cast<std::size_t>(index)];
    VolSet &group = m_store.volSet[static_cast<std::size_t>(k)];
    switch (index % 3) {
    case 1: { // maximum: never below the minimum
        const int minimum = m_spins[static_cast<std::size_t>(index - 1)]->value();
        if (spin->value() < minimum)
            spin->setValue(minimum); // runs spinChanged again, which finds nothing to correct
        entry->setText(QString::number(spin->value()));
        group.maxLevel = static_cast<std::uint8_t>(spin->value());
        break;
    }
    case 0: { // minimum: never above the maximum
        const int maximum = m_spins[static_cast<std::size_t>(index + 1)]->value();
        if (maximum < spin->value())
            spin->setValue(maximum);
        entry->setText(QString::number(spin->value()));
        group.minLevel = static_cast<std::uint8_t>(spin->value());
        break;
    }
    default:
        entry->setText(startModeText(k, spin->value()));
        group.startMode = static_cast<std::uint8_t>(spin->value());
        break;
    }
    setEntryColour(index, Qt::black);
}

void VolSetPanel::commitEntry(int index)
{
    const int k = index / 3;
    VolEntry *minEntry = m_entries[static_cast<std::size_t>(3 * k)];
    VolEntry *maxEntry = m_entries[static_cast<std::size_t>(3 * k + 1)];
    VolEntry *entry = m_entries[static_cast<std::size_t>(index)];
    QScrollBar *spin = m_spins[static_cast<std::size_t>(index)];
    if (index % 3 == 2)
        return;
    // An empty entry has nothing to take in: it shows the spin bar's number again. A number
    // above the spin bar's range is limited to it.
    if (entry->text().trimmed().isEmpty()) {
        entry->setText(QString::number(spin->value()));
        return;
    }
    if (entryNumber(entry->text()) > kLevelMax)
        entry->setText(QString::number(kLevelMax));

    if (index % 3 == 0) {
        if (entryNumber(minEntry->text()) > entryNumber(maxEntry->text()))
            minEntry->setText(maxEntry->text());
        spin->setValue(entryNumber(minEntry->text()));
        spinChanged(index); // the spin bar may already hold the number: the entry still follows
        return;
    }
    if (entryNumber(maxEntry->text()) < entryNumber(minEntry->text()))
        maxEntry->setText(minEntry->text());
    const int maximum = entryNumber(maxEntry->text());
    spin->setValue(maximum);
    spinChanged(index);
    if (maximum < startLevel(k))
        setStartLevel(k, maximum);
}

void VolSetPanel::putAndCommit(int index, const QString &text)
{
    m_entries[static_cast<std::size_t>(index)]->setText(text);
    commitEntry(index);
}

void VolSetPanel::setSpin(int index, int value)
{
    QScrollBar *spin = m_spins[static_cast<std::size_t>(index)];
    spin->setValue(value);
    spinChanged(index);
}

int VolSetPanel::spinValue(int index) const
{
    return m_spins[static_cast<std::size_t>(index)]->value();
}

void VolSetPanel::applyGroup(int k, int minLevel, int maxLevel, int startMode)
{
    // The incoming pair overwrites the group: a pending (red) edit in it is dropped first, or
    // the commits below would compare against the user's uncommitted text.
    spinChanged(3 * k);
    spinChanged(3 * k + 1);
    // Each commit is checked against the other number then in force. Committing the maximum
    // first is exact unless it is below the current minimum; then the minimum, being no larger,
    // is below the current maximum and goes first instead. A valid pair thus ends as given.
    if (maxLevel >= spinValue(3 * k)) {
        putAndCommit(3 * k + 1, QString::number(maxLevel));
        putAndCommit(3 * k, QString::number(minLevel));
    } else {
        putAndCommit(3 * k, QString::number(minLevel));
        putAndCommit(3 * k + 1, QString::number(maxLevel));
    }
    setSpin(3 * k + 2, startMode);
}

int VolSetPanel::startLevel(int k) const
{
    return m_start[static_cast<std::size_t>(k)]->value();
}

void VolSetPanel::setStartLevel(int k, int level)
{
    C_ScrollBar *slider = m_start[static_cast<std::size_t>(k)];
    slider->setValue(level);
    m_store.volSet[static_cast<std::size_t>(k)].startLevel =
        static_cast<std::uint8_t>(slider->value());
}

int VolSetPanel::maxEntryNumber(int k) const
{
    return entryNumber(m_entries[static_cast<std::size_t>(3 * k + 1)]->text());
}

void VolSetPanel::onStartScroll(int k)
{
    C_ScrollBar *slider = m_start[static_cast<std::size_t>(k)];
    const int level = startLevelWithinMaximum(slider->value(), maxEntryNumber(k));
    if (level != slider->value())
        slider->setValue(level);
    emit startLevelScrolled(k);
}

void VolSetPanel::onSpinAction(int index)
{
    // Qt reports the action with the new position set but the value not yet changed; the
    // value follows at once when it differs (and not at all at either end of the range).
    QScrollBar *spin = m_spins[static_cast<std::size_t>(index)];
    if (spin->sliderPosition() == spin->value())
        return;
    m_userSpin = index;
    m_userSpinBefore = m_store.volSet[static_cast<std::size_t>(index / 3)];
}

} // namespace tonvara
