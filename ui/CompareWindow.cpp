#include "CompareWindow.h"

#include "SettingsDifference.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

#include <algorithm>

namespace tonvara {

namespace {

// The lines are columns of text: room for this many of the longest line's characters and for
// this many lines before the text scrolls.
constexpr int kMinColumns = 60;
constexpr int kMaxColumns = 110;
constexpr int kMinLines = 4;
constexpr int kMaxLines = 24;

// What is copied is the text and nothing else: a pasted list lines up in any editor or mail.
class PlainTextView : public QPlainTextEdit
{
  public:
    using QPlainTextEdit::QPlainTextEdit;

  protected:
    QMimeData *createMimeDataFromSelection() const override
    {
        auto *data = new QMimeData;
        data->setText(textCursor().selection().toPlainText());
        return data;
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        // Esc belongs to the window: it closes it.
        if (event->key() == Qt::Key_Escape) {
            event->ignore();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }
};

QFont columnFont()
{
    // Liberation Mono where installed with the other Liberation faces; any fixed face else.
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(13);
    return font;
}

} // namespace

CompareWindow::CompareWindow(const QString &title, const QStringList &lines,
                             const QString &takeCaption, const QString &uploadCaption,
                             QWidget *owner)
    : QWidget(owner, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    setObjectName(QStringLiteral("CompareWindow"));

    m_text = new PlainTextView(this);
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Tab goes on to the buttons: the window works from the keyboard alone.
    m_text->setTabChangesFocus(true);
    m_text->setFont(columnFont());
    m_text->setPlainText(lines.isEmpty() ? QString::fromLatin1(kNoDifferences.data(),
                                                               qsizetype(kNoDifferences.size()))
                                         : lines.join(QLatin1Char('\n')));
    m_text->setAccessibleName(title);

    m_take = new QPushButton(takeCaption, this);
    // Nothing to take when nothing differs.
    m_take->setEnabled(!lines.isEmpty());
    connect(m_take, &QPushButton::clicked, this, &CompareWindow::takeRequested);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_take);
    if (!uploadCaption.isEmpty()) {
        m_upload = new QPushButton(uploadCaption, this);
        connect(m_upload, &QPushButton::clicked, this, &CompareWindow::uploadRequested);
        buttons->addWidget(m_upload);
    }
    // Enter in the list must not take or upload anything.
    for (QPushButton *button : {m_take, m_upload})
        if (button)
            button->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text, 1);
    layout->addLayout(buttons);

    const QFontMetrics metrics(m_text->font());
    qsizetype longest = 0;
    for (const QString &line : lines)
        longest = std::max(longest, line.size());
    const int columns = std::clamp(int(longest) + 2, kMinColumns, kMaxColumns);
    const int rows = std::clamp(int(lines.size()) + 1, kMinLines, kMaxLines);
    m_text->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('M')) * columns,
                           metrics.lineSpacing() * rows);
    m_text->setFocus(Qt::OtherFocusReason);
}

void CompareWindow::placeBeside(const QWidget &mainWindow)
{
    adjustSize();
    const QRect main = mainWindow.frameGeometry();
    const QScreen *screen = mainWindow.screen();
    const QRect room = screen ? screen->availableGeometry() : main;
    const QSize size = frameGeometry().size();
    int x = main.right() + 1;
    if (x + size.width() > room.right() + 1)
        x = room.right() + 1 - size.width();
    const int y =
        std::clamp(main.top(), room.top(), std::max(room.top(), room.bottom() + 1 - size.height()));
    move(std::max(x, room.left()), y);
}

QString CompareWindow::text() const
{
    return m_text->toPlainText();
}

void CompareWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CompareWindow::closeEvent(QCloseEvent *event)
{
    emit closing();
    QWidget::closeEvent(event);
}

} // namespace tonvara
