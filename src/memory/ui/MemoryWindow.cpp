#include "MemoryWindow.h"

#include "memory/MemoryLookup.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MemoryWindow::MemoryWindow(MemoryLookup &lookup, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_lookup(lookup)
    , m_status(new QLabel(this))
    , m_number(new QLineEdit(this))
    , m_show(new QPushButton(u"Показать"_s, this))
    , m_verify(new QPushButton(u"Проверить всю память"_s, this))
    , m_record(new QPlainTextEdit(this))
    , m_verdict(new QLabel(this))
{
    setWindowTitle(u"Весовая память"_s);
    setAccessibleName(windowTitle());
    auto *caption = new QLabel(u"№ в весовой памяти:"_s, this);
    caption->setBuddy(m_number);
    m_number->setAccessibleName(caption->text());
    m_show->setAccessibleName(m_show->text());
    m_verify->setAccessibleName(m_verify->text());
    m_status->setAccessibleName(u"Состояние памяти"_s);
    m_record->setAccessibleName(u"Запись"_s);
    m_verdict->setAccessibleName(u"Итог"_s);
    m_record->setReadOnly(true);
    m_record->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_verdict->setWordWrap(true);
    m_show->setDefault(true);

    auto *top = new QHBoxLayout;
    top->addWidget(caption);
    top->addWidget(m_number);
    top->addWidget(m_show);
    top->addStretch(1);
    top->addWidget(m_verify);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addLayout(top);
    layout->addWidget(m_record, 1);
    layout->addWidget(m_verdict);
    resize(760, 560);

    connect(m_number, &QLineEdit::textChanged, &m_lookup, &MemoryLookup::setNumberText);
    connect(m_number, &QLineEdit::returnPressed, &m_lookup, &MemoryLookup::lookUp);
    connect(m_show, &QPushButton::clicked, &m_lookup, &MemoryLookup::lookUp);
    connect(m_verify, &QPushButton::clicked, &m_lookup, &MemoryLookup::verifyAll);
    connect(&m_lookup, &MemoryLookup::changed, this, &MemoryWindow::showLookup);
}

void MemoryWindow::open()
{
    m_status->setText(m_lookup.statusText());
    show();
    raise();
    activateWindow();
    m_number->setFocus(Qt::OtherFocusReason);
}

void MemoryWindow::showLookup()
{
    m_status->setText(m_lookup.statusText());
    m_record->setPlainText(m_lookup.shownText());
    m_verdict->setText(m_lookup.verdict());
    // Red when anything does not hold: it must not be read past.
    m_verdict->setStyleSheet(m_lookup.holds() ? u"color: #006400; font-weight: bold"_s
                                              : u"color: #b00000; font-weight: bold"_s);
}
