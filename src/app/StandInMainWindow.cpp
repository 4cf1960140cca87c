#include "StandInMainWindow.h"

#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/Formats.h"
#include "core/MainTitle.h"
#include "core/ui/EventLogWindow.h"
#include "core/ui/ProgramIcon.h"

#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>

using namespace Qt::StringLiterals;

StandInMainWindow::StandInMainWindow(AppContext &context, EventLog &log, QWidget *parent)
    : QMainWindow(parent)
    , m_context(context)
    , m_log(log)
    , m_clock(new QTimer(this))
{
    setWindowIcon(programIcon());
    QMenu *menu = menuBar()->addMenu(u"Меню"_s);
    menu->addAction(u"Просмотр событий"_s, this, [this] {
        if (!m_logWindow)
            m_logWindow = new EventLogWindow(m_log, this);
        m_logWindow->show();
        m_logWindow->raise();
        m_logWindow->activateWindow();
    });
    menu->addAction(u"Выход"_s, this, &StandInMainWindow::exitProgram);

    m_caption = new QLabel(this);
    m_caption->setAlignment(Qt::AlignCenter);
    QFont font = m_caption->font();
    font.setPointSize(26);
    m_caption->setFont(font);
    setCentralWidget(m_caption);
    resize(1024, 640);

    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &StandInMainWindow::updateTitle);
}

void StandInMainWindow::showLoaded()
{
    if (!m_loaded) {
        m_loaded = true;
        m_caption->setText(m_context.settings.AdvertCaption);
        updateTitle();
        m_clock->start();
    }
    show();
    raise();
    activateWindow();
}

void StandInMainWindow::updateTitle()
{
    setWindowTitle(mainWindowTitle(m_context.clock.now(), m_context.CurrentOperator));
}

bool StandInMainWindow::exitProgram()
{
    QMessageBox question(QMessageBox::Question, u"Внимание!"_s,
                         u"Вы действительно хотите закончить работу с программой ?"_s,
                         QMessageBox::Ok | QMessageBox::Cancel, this);
    if (question.exec() != QMessageBox::Ok)
        return false;
    const QDateTime now = m_context.clock.now();
    m_log.WriteLog(LongTimeText(now.time()) + u' ' + ShortDateText(now.date()) + u" Выход из программы "_s);
    if (m_context.hooks.releaseSpreadsheet)
        m_context.hooks.releaseSpreadsheet();
    m_context.storeSettings();
    m_log.WriteLog(u"Выход из программы:"_s + m_context.CurrentOperator);
    QApplication::quit();
    return true;
}
