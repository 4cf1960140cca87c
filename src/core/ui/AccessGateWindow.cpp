#include "AccessGateWindow.h"

#include "ProgramIcon.h"
#include "core/AccessGate.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

AccessGateWindow::AccessGateWindow(AccessGate &gate, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
    , m_gate(gate)
    , m_prompt(new QLabel(this))
    , m_entry(new QLineEdit(this))
    , m_progress(new QProgressBar(this))
{
    setWindowTitle(u"Идентификация"_s);
    setWindowIcon(programIcon());
    setObjectName(u"AccessGateWindow"_s);

    QFont big = font();
    big.setPointSize(big.pointSize() + 3);
    m_prompt->setFont(big);
    m_entry->setFont(big);
    m_entry->setEchoMode(QLineEdit::Password);
    m_entry->setObjectName(u"codeEntry"_s);
    m_prompt->setBuddy(m_entry);
    m_progress->setRange(0, 100);
    m_progress->setAccessibleName(u"Загрузка данных"_s);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_entry);
    layout->addWidget(m_progress);
    setMinimumWidth(340);

    connect(m_entry, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!m_syncing)
            m_gate.setCodeText(text);
    });
    connect(&m_gate, &AccessGate::changed, this, &AccessGateWindow::sync);
    sync();
}

void AccessGateWindow::sync()
{
    m_syncing = true;
    m_prompt->setText(m_gate.promptText());
    m_entry->setAccessibleName(m_gate.promptText());
    if (m_entry->text() != m_gate.codeText())
        m_entry->setText(m_gate.codeText());
    m_progress->setVisible(m_gate.progressVisible());
    m_progress->setValue(m_gate.progressValue());
    m_syncing = false;

    if (m_gate.isVisible() != isVisible()) {
        setVisible(m_gate.isVisible());
        if (isVisible()) {
            raise();
            activateWindow();
            m_entry->setFocus();
        }
    }
    // Loading runs without returning to the event loop: paint the bar now.
    if (m_gate.progressVisible() && isVisible())
        m_progress->repaint();
}

bool AccessGateWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        raise();
        m_gate.activate();
        m_entry->setFocus();
    }
    return QWidget::event(event);
}

void AccessGateWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_gate.close();
}
