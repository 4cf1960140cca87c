#include "DayListView.h"

#include "store/DayList.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

DayListView::DayListView(const QString &accessibleName, QWidget *parent)
    : QWidget(parent)
    , m_text(new QPlainTextEdit(this))
    , m_page(new QPushButton(u"0"_s, this))
{
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setAccessibleName(accessibleName);
    QFont mono(u"Liberation Mono"_s);
    mono.setStyleHint(QFont::Monospace);
    mono.setPointSize(9);
    m_text->setFont(mono);
    m_page->setAccessibleName(u"Страница"_s);
    m_page->setFixedWidth(40);
    m_page->hide();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_page, 0, Qt::AlignRight);
}

void DayListView::showList(const DayList &list)
{
    // Refilling the box is no choice of a line by the operator.
    const QSignalBlocker quiet(m_text);
    // Lines start with their line break; the box shows them without it.
    m_text->setPlainText(list.page(list.lastPage()).mid(2).replace(u"\r\n"_s, u"\n"_s));
    m_page->setText(QString::number(list.lastPage()));
    m_page->setVisible(list.lastPage() > 0);
    m_text->moveCursor(QTextCursor::End);
}

void DayListView::clear()
{
    const QSignalBlocker quiet(m_text);
    m_text->clear();
    m_page->setText(u"0"_s);
    m_page->hide();
}

QString DayListView::text() const
{
    return m_text->toPlainText();
}
