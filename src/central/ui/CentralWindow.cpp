#include "CentralWindow.h"

#include "central/CentralOutbox.h"
#include "core/AppContext.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CentralWindow::CentralWindow(AppContext &context, CentralOutbox &outbox, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_context(context)
    , m_outbox(outbox)
    , m_enabled(new QCheckBox(u"Передавать карточки в центральную базу"_s))
    , m_site(new QLineEdit)
    , m_host(new QLineEdit)
    , m_port(new QSpinBox)
    , m_database(new QLineEdit)
    , m_user(new QLineEdit)
    , m_password(new QLineEdit)
    , m_tls(new QCheckBox(u"Шифрование (TLS)"_s))
    , m_check(new QPushButton(u"Проверить соединение"_s))
    , m_save(new QPushButton(u"Сохранить"_s))
    , m_from(new QDateEdit)
    , m_to(new QDateEdit)
    , m_resend(new QPushButton(u"Отправить всё заново"_s))
    , m_result(new QLabel)
    , m_queue(new QLabel)
{
    setWindowTitle(u"Центральная база"_s);
    m_port->setRange(1, 65535);
    m_password->setEchoMode(QLineEdit::Password);
    m_site->setMaxLength(32);
    m_site->setPlaceholderText(u"например, КАРЬЕР-1"_s);
    for (QDateEdit *date : {m_from, m_to}) {
        date->setDisplayFormat(u"dd.MM.yyyy"_s);
        date->setCalendarPopup(true);
    }
    m_result->setWordWrap(true);
    m_queue->setWordWrap(true);

    auto *form = new QFormLayout;
    const auto row = [form](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption);
        label->setBuddy(field);
        field->setAccessibleName(caption);
        form->addRow(label, field);
    };
    form->addRow(m_enabled);
    row(u"Код весов"_s, m_site);
    row(u"Сервер"_s, m_host);
    row(u"Порт"_s, m_port);
    row(u"База данных"_s, m_database);
    row(u"Пользователь"_s, m_user);
    row(u"Пароль"_s, m_password);
    form->addRow(m_tls);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_check);
    buttons->addStretch(1);
    buttons->addWidget(m_save);

    auto *again = new QGroupBox(u"Все карточки периода"_s);
    auto *period = new QHBoxLayout(again);
    auto *fromLabel = new QLabel(u"с"_s);
    fromLabel->setBuddy(m_from);
    auto *toLabel = new QLabel(u"по"_s);
    toLabel->setBuddy(m_to);
    m_from->setAccessibleName(u"Начало периода"_s);
    m_to->setAccessibleName(u"Конец периода"_s);
    period->addWidget(fromLabel);
    period->addWidget(m_from);
    period->addWidget(toLabel);
    period->addWidget(m_to);
    period->addWidget(m_resend);

    for (QAbstractButton *b : {static_cast<QAbstractButton *>(m_enabled), static_cast<QAbstractButton *>(m_tls),
                               static_cast<QAbstractButton *>(m_check), static_cast<QAbstractButton *>(m_save),
                               static_cast<QAbstractButton *>(m_resend)})
        b->setAccessibleName(b->text());
    m_result->setAccessibleName(u"Результат"_s);
    m_queue->setAccessibleName(u"Очередь"_s);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(m_result);
    layout->addWidget(again);
    layout->addWidget(m_queue);
    layout->addStretch(1);

    connect(m_check, &QPushButton::clicked, this, &CentralWindow::check);
    connect(m_save, &QPushButton::clicked, this, &CentralWindow::save);
    connect(m_resend, &QPushButton::clicked, this, &CentralWindow::resend);
    connect(&m_outbox, &CentralOutbox::statusChanged, this, &CentralWindow::showQueue);
    resize(520, sizeHint().height());
}

void CentralWindow::load()
{
    const CentralSettings &s = m_outbox.settings();
    m_enabled->setChecked(s.enabled);
    m_site->setText(s.site);
    m_host->setText(s.host);
    m_port->setValue(s.port);
    m_database->setText(s.database);
    m_user->setText(s.user);
    m_password->setText(s.password);
    m_tls->setChecked(s.tls);
    const QDate today = m_context.clock.today();
    m_from->setDate(today);
    m_to->setDate(today);
    m_to->setMaximumDate(today);
    m_result->clear();
    showQueue();
}

static CentralSettings settingsOf(const CentralWindow &w)
{
    CentralSettings s;
    s.enabled = w.enabledBox()->isChecked();
    s.site = w.siteField()->text().trimmed();
    s.host = w.hostField()->text().trimmed();
    s.port = w.portField()->value();
    s.database = w.databaseField()->text().trimmed();
    s.user = w.userField()->text().trimmed();
    s.password = w.passwordField()->text();
    s.tls = w.tlsBox()->isChecked();
    return s;
}

void CentralWindow::check()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_result->setText(checkCentralConnection(settingsOf(*this)));
    QApplication::restoreOverrideCursor();
}

void CentralWindow::save()
{
    const CentralSettings s = settingsOf(*this);
    if (s.enabled && !s.problem().isEmpty()) {
        m_result->setText(u"Не сохранено: "_s + s.problem());
        return;
    }
    const StoreResult saved = m_outbox.applySettings(s);
    m_result->setText(saved ? u"Сохранено"_s : u"Не сохранено: "_s + saved.reason);
}

void CentralWindow::resend()
{
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int queued = m_outbox.resendPeriod(m_context.folders, m_from->date(), m_to->date(),
                                             m_context.CurrentOperator, error);
    QApplication::restoreOverrideCursor();
    m_result->setText(queued < 0 ? u"Не отправлено: "_s + error
                                 : u"Поставлено в очередь карточек: %1"_s.arg(queued));
}

void CentralWindow::showQueue()
{
    const QString text = m_outbox.statusText();
    m_queue->setText(text.isEmpty() ? u"Передача выключена"_s : text);
}
