#include "RawFrameWindow.h"

#include "core/ui/ProgramIcon.h"
#include "terminal/TerminalLink.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

RawFrameWindow::RawFrameWindow(TerminalLink &link, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_link(link)
    , m_status(new QLabel(this))
    , m_text(new QPlainTextEdit(this))
    , m_hold(new QCheckBox(u"Остановить"_s, this))
{
    setWindowTitle(title());
    setWindowIcon(programIcon());
    m_status->setAccessibleName(u"Порт"_s);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setAccessibleName(title());
    m_hold->setAccessibleName(m_hold->text());
    m_hold->setToolTip(u"Не обновлять, чтобы спокойно прочитать"_s);
    auto *exit = new QPushButton(u"Выход"_s, this);
    exit->setAccessibleName(exit->text());

    connect(&m_link, &TerminalLink::frameLogged, this, [this] {
        if (isVisible())
            refresh();
    });
    connect(m_hold, &QCheckBox::toggled, this, [this](bool held) {
        if (!held)
            refresh();
    });
    connect(exit, &QPushButton::clicked, this, &QWidget::hide);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_hold);
    buttons->addStretch();
    buttons->addWidget(exit);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_text);
    layout->addLayout(buttons);
    resize(760, 520);
}

QString RawFrameWindow::title()
{
    return u"Данные терминала"_s;
}

QString RawFrameWindow::shownText() const
{
    return m_text->toPlainText();
}

void RawFrameWindow::refresh()
{
    if (m_hold->isChecked())
        return;
    m_status->setText(u"Порт: "_s + m_link.statusText()
                      + (m_link.portOpen() ? u" (открыт)"_s : u" (не открыт)"_s));
    QString text;
    for (const RawFrameLog::Entry &entry : m_link.rawLog().entries())
        text += RawFrameLog::entryText(entry) + u'\n';
    m_text->setPlainText(text);
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
}

bool RawFrameWindow::event(QEvent *event)
{
    if (event->type() == QEvent::Show)
        refresh();
    return QWidget::event(event);
}
