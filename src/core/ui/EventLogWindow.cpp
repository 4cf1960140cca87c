#include "EventLogWindow.h"

#include "ProgramIcon.h"
#include "core/EventLog.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

EventLogWindow::EventLogWindow(EventLog &log, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_log(log)
    , m_text(new QPlainTextEdit(this))
{
    setWindowTitle(u"Журнал событий"_s);
    setWindowIcon(programIcon());
    m_text->setReadOnly(true);
    m_text->setAccessibleName(u"Журнал событий"_s);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *exit = new QPushButton(u"Выход"_s, this);
    exit->setAccessibleName(exit->text());
    connect(exit, &QPushButton::clicked, this, &QWidget::hide);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(exit);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(buttons);
    resize(720, 480);
}

QString EventLogWindow::shownText() const
{
    return m_text->toPlainText();
}

bool EventLogWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        reload();
    return QWidget::event(event);
}

void EventLogWindow::reload()
{
    // The field shows lines, so the CR LF of each becomes one line break.
    QString text = m_log.viewerText();
    text.replace(u"\r\n"_s, u"\n"_s);
    m_text->setPlainText(text);
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
}
