#include "DayListView.h"

#include "core/Settings.h"
#include "store/DayList.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

DayListView::DayListView(const QString &accessibleName, QWidget *parent)
    : QWidget(parent)
    , m_headerStrip(new QWidget(this))
    , m_header(new QLabel(m_headerStrip))
    , m_text(new QPlainTextEdit(this))
    , m_pageButton(new QPushButton(u"0"_s, this))
{
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A read-only box lets the keys move no caret unless told.
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setAccessibleName(accessibleName);
    QFont mono(u"Liberation Mono"_s);
    mono.setStyleHint(QFont::Monospace);
    mono.setPointSize(9);
    m_text->setFont(mono);
    // The header lies outside the box, so the lines keep their layout.
    m_header->setFont(mono);
    m_header->setTextFormat(Qt::PlainText);
    m_header->setAccessibleName(u"Столбцы"_s);
    m_headerStrip->setFixedHeight(m_header->fontMetrics().height() + 2);
    setHeaderText(DayList::header(defaultParamNames(u"кг"_s)));
    connect(m_text->horizontalScrollBar(), &QScrollBar::valueChanged, this, &DayListView::placeHeader);
    m_text->installEventFilter(this);
    m_text->viewport()->installEventFilter(this);
    m_pageButton->setAccessibleName(u"Страница"_s);
    m_pageButton->setFixedWidth(40);
    m_pageButton->hide();
    connect(m_pageButton, &QPushButton::clicked, this, &DayListView::showPreviousPage);
    auto *list = new QVBoxLayout;
    list->setSpacing(0);
    list->addWidget(m_headerStrip);
    list->addWidget(m_text, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(list, 1);
    layout->addWidget(m_pageButton, 0, Qt::AlignRight);
}

void DayListView::showList(const DayList &list)
{
    m_list = &list;
    showPage(list.lastPage());
    m_pageButton->setVisible(list.lastPage() > 0);
}

void DayListView::showPage(int page)
{
    // Refilling the box is no choice of a line by the operator.
    const QSignalBlocker quiet(m_text);
    m_page = page;
    m_pageText = m_list ? m_list->page(page) : QString();
    // Lines start with their line break; the box shows them without it.
    m_text->setPlainText(QString(m_pageText).mid(2).replace(u"\r\n"_s, u"\n"_s));
    m_pageButton->setText(QString::number(page));
    // On the last line, but at its start: the end of a line lies beyond the
    // right edge and would scroll the numbers out of sight.
    m_text->moveCursor(QTextCursor::End);
    m_text->moveCursor(QTextCursor::StartOfBlock);
    m_text->horizontalScrollBar()->setValue(0);
    markIncomplete();
}

void DayListView::markIncomplete()
{
    // The vehicles still on site stand out; the text itself keeps its layout.
    QList<QTextEdit::ExtraSelection> marks;
    const QList<int> lines = m_list ? m_list->incompleteLines(m_page) : QList<int>();
    for (int line : lines) {
        const QTextBlock block = m_text->document()->findBlockByNumber(line);
        if (!block.isValid())
            continue;
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(block);
        mark.format.setBackground(incompleteColour());
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks.append(mark);
    }
    m_text->setExtraSelections(marks);
}

QColor DayListView::incompleteColour()
{
    return QColor(255, 236, 160);
}

QList<int> DayListView::markedLines() const
{
    QList<int> lines;
    for (const QTextEdit::ExtraSelection &mark : m_text->extraSelections())
        lines.append(mark.cursor.blockNumber());
    return lines;
}

void DayListView::setCaptions(const Settings &settings)
{
    setHeaderText(DayList::header(settings.ParamNames));
}

void DayListView::setHeaderText(const QString &text)
{
    m_header->setText(text);
    m_header->adjustSize();
    m_text->setAccessibleDescription(text.simplified());
    placeHeader();
}

void DayListView::placeHeader()
{
    // Where the box draws character 0 of a line, scrolling included.
    QTextCursor first(m_text->document());
    const int x = m_text->cursorRect(first).left();
    m_header->move(m_text->viewport()->mapTo(this, QPoint(x, 0)).x() - m_headerStrip->x(), 1);
}

void DayListView::showPreviousPage()
{
    if (m_list)
        showPage(DayList::previousPage(m_page, m_list->lastPage()));
}

void DayListView::clear()
{
    const QSignalBlocker quiet(m_text);
    m_list = nullptr;
    m_pageText.clear();
    m_page = 0;
    m_text->clear();
    m_text->setExtraSelections({});
    m_pageButton->setText(u"0"_s);
    m_pageButton->hide();
}

QString DayListView::text() const
{
    return m_text->toPlainText();
}

void DayListView::alignCaret()
{
    QTextCursor cursor = m_text->textCursor();
    cursor.movePosition(QTextCursor::StartOfBlock);
    m_text->setTextCursor(cursor);
}

void DayListView::chooseLine()
{
    alignCaret();
    QTextCursor cursor = m_text->textCursor();
    // Box line b is page line b: 101 characters from 101 * b, of which the
    // box shows all but the leading line break.
    const qsizetype caret = DayList::LineChars * cursor.blockNumber();
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    m_text->setTextCursor(cursor);
    const int n = DayList::numberAt(m_pageText, caret);
    if (n >= 1)
        emit cardChosen(n);
}

bool DayListView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_text->viewport()) {
        // Once the box has handled the release, whatever the click selected.
        if (event->type() == QEvent::MouseButtonRelease)
            QMetaObject::invokeMethod(this, &DayListView::chooseLine, Qt::QueuedConnection);
        else if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            placeHeader();
    } else if (watched == m_text && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down)
            chooseLine();
    }
    return QWidget::eventFilter(watched, event);
}
