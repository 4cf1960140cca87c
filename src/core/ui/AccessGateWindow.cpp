#include "AccessGateWindow.h"

#include "ProgramIcon.h"
#include "core/AccessGate.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QApplication>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
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

    // Said over the gate, once it is up; the gate keeps taking the code.
    if (const QString message = m_gate.startupMessage(); !message.isEmpty())
        QTimer::singleShot(0, this, [this, message] {
            auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
            box->setObjectName(u"startupMessage"_s);
            // Over the gate, which itself stays on top.
            box->setWindowFlag(Qt::WindowStaysOnTopHint);
            box->setAttribute(Qt::WA_DeleteOnClose);
            m_notice = box;
            // Once read, the code is typed on at once.
            connect(box, &QMessageBox::finished, this, [this] {
                if (isVisible()) {
                    activateWindow();
                    m_entry->setFocus();
                }
            });
            box->open();
        });
}

void AccessGateWindow::sync()
{
    m_syncing = true;
    m_prompt->setText(m_gate.promptText());
    m_entry->setAccessibleName(m_gate.promptText());
    if (m_entry->text() != m_gate.codeText())
        m_entry->setText(m_gate.codeText());
    m_entry->setReadOnly(!m_gate.takesCode());
    m_progress->setVisible(m_gate.progressVisible());
    m_progress->setValue(m_gate.progressValue());
    m_syncing = false;

    if (m_gate.isVisible() != isVisible()) {
        // The progress of a day being read only shows; the keyboard stays
        // with the window the operator works in.
        const bool progressOnly = m_gate.progressVisible();
        setAttribute(Qt::WA_ShowWithoutActivating, progressOnly);
        if (m_gate.isVisible()) {
            m_before = progressOnly ? QApplication::activeWindow() : nullptr;
            placeWindow();
        }
        setVisible(m_gate.isVisible());
        if (isVisible() && !progressOnly) {
            raise();
            activateWindow();
            m_entry->setFocus();
        } else if (!isVisible() && m_before) {
            m_before->activateWindow();
            m_before = nullptr;
        }
    }
    // Loading runs without returning to the event loop: paint the bar now.
    if (m_gate.progressVisible() && isVisible())
        m_progress->repaint();
}

void AccessGateWindow::setAnchorWindow(QWidget *mainWindow)
{
    m_anchor = mainWindow;
}

void AccessGateWindow::placeWindow()
{
    // The prompt or the progress bar may have changed the size it needs.
    adjustSize();
    // Once the platform window exists its frame counts in the centring.
    if (!testAttribute(Qt::WA_WState_Created))
        create();
    const bool overAnchor = m_anchor && m_anchor->isVisible() && !m_anchor->isMinimized();
    QScreen *screen = overAnchor ? m_anchor->screen() : this->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    QRect frame(QPoint(), frameGeometry().size());
    frame.moveCenter(overAnchor ? m_anchor->frameGeometry().center() : available.center());
    // Never partly off the screen, whatever the main window's position.
    frame.moveLeft(qBound(available.left(), frame.left(), qMax(available.left(), available.right() - frame.width() + 1)));
    frame.moveTop(qBound(available.top(), frame.top(), qMax(available.top(), available.bottom() - frame.height() + 1)));
    move(frame.topLeft());
}

bool AccessGateWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        raise();
        // The start-up message stays readable above the gate.
        if (m_notice)
            m_notice->raise();
        m_gate.activate();
        m_entry->setFocus();
    }
    return QWidget::event(event);
}

void AccessGateWindow::keyPressEvent(QKeyEvent *event)
{
    // Escape backs out of a protected entry. Before a login it would end
    // the program, so there only the close button does that.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (m_gate.purpose() != AccessGate::Login && !m_gate.progressVisible())
            close();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AccessGateWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_gate.close();
}
