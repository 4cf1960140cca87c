#include "CentralWindow.h"

#include "central/CentralMemoryCheck.h"
#include "central/CentralOutbox.h"
#include "central/RunAside.h"
#include "core/AppContext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

using namespace Qt::StringLiterals;

CentralWindow::CentralWindow(AppContext &context, CentralOutbox &outbox, CentralMemoryCheck &memoryCheck,
                             QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_context(context)
    , m_outbox(outbox)
    , m_memoryChecker(memoryCheck)
    , m_enabled(new QCheckBox(u"Передавать карточки в центральную базу"_s))
    , m_site(new QLineEdit)
    , m_host(new QLineEdit)
    , m_port(new QSpinBox)
    , m_database(new QLineEdit)
    , m_user(new QLineEdit)
    , m_password(new QLineEdit)
    , m_tls(new QComboBox)
    , m_ca(new QLineEdit)
    , m_check(new QPushButton(u"Проверить соединение"_s))
    , m_save(new QPushButton(u"Сохранить"_s))
    , m_from(new QDateEdit)
    , m_to(new QDateEdit)
    , m_resend(new QPushButton(u"Отправить всё заново"_s))
    , m_result(new QLabel)
    , m_queue(new QLabel)
    , m_progress(new QProgressBar)
    , m_rejected(new QTreeWidget)
    , m_resendRejected(new QPushButton(u"Отправить отложенные снова"_s))
    , m_reconcile(new QPushButton(u"Сверить с сервером"_s))
    , m_memorySite(new QComboBox)
    , m_memoryCheck(new QPushButton(u"Проверить весовую память"_s))
    , m_memoryResult(new QLabel)
    , m_memoryFindings(new QListWidget)
{
    setWindowTitle(u"Центральная база"_s);
    m_port->setRange(1, 65535);
    m_password->setEchoMode(QLineEdit::Password);
    m_site->setMaxLength(32);
    m_site->setPlaceholderText(u"например, КАРЬЕР-1; пусто — только отчёт"_s);
    m_tls->addItems({u"Без шифрования"_s, u"TLS с проверкой сервера"_s, u"TLS без проверки сервера (небезопасно)"_s});
    m_ca->setPlaceholderText(u"сертификаты системы"_s);
    for (QDateEdit *date : {m_from, m_to}) {
        date->setDisplayFormat(u"dd.MM.yyyy"_s);
        date->setCalendarPopup(true);
    }
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_queue->setWordWrap(true);
    m_progress->setRange(0, 100);
    m_progress->hide();
    m_rejected->setColumnCount(3);
    m_rejected->setHeaderLabels({u"День"_s, u"Карточка"_s, u"Причина отказа сервера"_s});
    m_rejected->setRootIsDecorated(false);
    m_rejected->header()->setStretchLastSection(true);
    m_rejected->setMaximumHeight(110);

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
    row(u"Шифрование"_s, m_tls);
    auto *caRow = new QWidget;
    auto *caLayout = new QHBoxLayout(caRow);
    caLayout->setContentsMargins(0, 0, 0, 0);
    auto *browse = new QPushButton(u"Обзор…"_s);
    browse->setAccessibleName(u"Выбрать файл сертификата"_s);
    caLayout->addWidget(m_ca, 1);
    caLayout->addWidget(browse);
    auto *caLabel = new QLabel(u"Сертификат центра (CA)"_s);
    caLabel->setBuddy(m_ca);
    m_ca->setAccessibleName(caLabel->text());
    form->addRow(caLabel, caRow);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_check);
    buttons->addWidget(m_reconcile);
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

    auto *aside = new QGroupBox(u"Отложенные карточки (сервер не принял)"_s);
    auto *asideLayout = new QVBoxLayout(aside);
    asideLayout->addWidget(m_rejected);
    asideLayout->addWidget(m_resendRejected, 0, Qt::AlignRight);

    // Any site of the server: the office checks every scale's memory.
    auto *memory = new QGroupBox(u"Весовая память весов на сервере"_s);
    auto *memoryLayout = new QVBoxLayout(memory);
    auto *memoryRow = new QHBoxLayout;
    auto *memorySiteLabel = new QLabel(u"Весы"_s);
    memorySiteLabel->setBuddy(m_memorySite);
    m_memorySite->setEditable(true);
    m_memorySite->setAccessibleName(memorySiteLabel->text());
    memoryRow->addWidget(memorySiteLabel);
    memoryRow->addWidget(m_memorySite, 1);
    memoryRow->addWidget(m_memoryCheck);
    memoryLayout->addLayout(memoryRow);
    m_memoryResult->setWordWrap(true);
    m_memoryResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_memoryResult->setAccessibleName(u"Результат проверки весовой памяти"_s);
    memoryLayout->addWidget(m_memoryResult);
    m_memoryFindings->setAccessibleName(u"Нарушения весовой памяти"_s);
    m_memoryFindings->setMaximumHeight(110);
    m_memoryFindings->hide();
    memoryLayout->addWidget(m_memoryFindings);

    for (QAbstractButton *b : {static_cast<QAbstractButton *>(m_enabled), static_cast<QAbstractButton *>(m_check),
                               static_cast<QAbstractButton *>(m_save), static_cast<QAbstractButton *>(m_resend),
                               static_cast<QAbstractButton *>(m_resendRejected),
                               static_cast<QAbstractButton *>(m_reconcile),
                               static_cast<QAbstractButton *>(m_memoryCheck)})
        b->setAccessibleName(b->text());
    m_result->setAccessibleName(u"Результат"_s);
    m_queue->setAccessibleName(u"Очередь"_s);
    m_progress->setAccessibleName(u"Ход отправки"_s);
    m_rejected->setAccessibleName(u"Отложенные карточки"_s);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(m_result);
    layout->addWidget(again);
    layout->addWidget(m_progress);
    layout->addWidget(m_queue);
    layout->addWidget(aside);
    layout->addWidget(memory);
    layout->addStretch(1);

    connect(m_check, &QPushButton::clicked, this, &CentralWindow::check);
    connect(m_save, &QPushButton::clicked, this, &CentralWindow::save);
    connect(m_resend, &QPushButton::clicked, this, &CentralWindow::resend);
    connect(m_reconcile, &QPushButton::clicked, this, &CentralWindow::reconcile);
    connect(m_resendRejected, &QPushButton::clicked, this, &CentralWindow::resendRejected);
    connect(m_memoryCheck, &QPushButton::clicked, this, &CentralWindow::checkMemory);
    connect(&m_memoryChecker, &CentralMemoryCheck::checked, this, [this](const CentralMemoryCheck::Result &result) {
        m_memoryCheck->setEnabled(true);
        m_memoryResult->setText(result.headline);
        m_memoryFindings->clear();
        m_memoryFindings->addItems(result.findings);
        m_memoryFindings->setVisible(!result.findings.isEmpty());
    });
    connect(&m_memoryChecker, &CentralMemoryCheck::sitesRead, this, [this](const QStringList &sites, const QString &) {
        const QString chosen = m_memorySite->currentText();
        m_memorySite->clear();
        m_memorySite->addItems(sites);
        m_memorySite->setCurrentText(chosen.isEmpty() && !sites.isEmpty() ? sites.first() : chosen);
    });
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, u"Сертификат центра (CA)"_s, m_ca->text(),
                                                          u"Сертификаты (*.crt *.pem);;Все файлы (*)"_s);
        if (!file.isEmpty())
            m_ca->setText(file);
    });
    connect(m_tls, &QComboBox::currentIndexChanged, this, [this, browse](int index) {
        m_ca->setEnabled(index == 1);
        browse->setEnabled(index == 1);
    });
    connect(&m_outbox, &CentralOutbox::statusChanged, this, &CentralWindow::showQueue);
    connect(&m_outbox, &CentralOutbox::resendProgress, this, [this](int done, int total) {
        m_progress->setValue(total > 0 ? done * 100 / total : 100);
    });
    connect(&m_outbox, &CentralOutbox::resendFinished, this, [this](int queued, const QString &error) {
        m_progress->hide();
        m_resend->setEnabled(true);
        m_result->setText(queued < 0 ? u"Не отправлено: "_s + error
                                     : u"Поставлено в очередь: "_s + CentralOutbox::cardsText(queued));
    });
    connect(&m_outbox, &CentralOutbox::reconcileFinished, this, [this](int days, const QString &error) {
        m_reconcile->setEnabled(true);
        m_result->setText(days < 0    ? u"Сверка не выполнена: "_s + error
                          : days == 0 ? u"Сверка: все дни совпадают с сервером"_s
                                      : u"Сверка: дней отправлено заново: %1"_s.arg(days));
    });
    resize(600, sizeHint().height());
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
    m_tls->setCurrentIndex(int(s.tls));
    emit m_tls->currentIndexChanged(m_tls->currentIndex());
    m_ca->setText(s.caFile);
    const QDate today = m_context.clock.today();
    m_from->setDate(today);
    m_to->setDate(today);
    m_to->setMaximumDate(today);
    m_result->clear();
    m_resend->setEnabled(!m_outbox.resending());
    m_reconcile->setEnabled(!m_outbox.reconciling());
    // This scale's own code first; the server's list when it answers.
    m_memorySite->clear();
    if (!s.site.trimmed().isEmpty())
        m_memorySite->addItem(s.site.trimmed());
    m_memoryResult->clear();
    m_memoryFindings->hide();
    m_memoryCheck->setEnabled(!m_memoryChecker.checking());
    if (!s.host.trimmed().isEmpty())
        m_memoryChecker.startSites(s);
    showQueue();
}

static CentralSettings settingsOf(const CentralWindow &w, const CentralSettings &stored)
{
    CentralSettings s = stored;
    s.enabled = w.enabledBox()->isChecked();
    s.site = w.siteField()->text().trimmed();
    s.host = w.hostField()->text().trimmed();
    s.port = w.portField()->value();
    s.database = w.databaseField()->text().trimmed();
    s.user = w.userField()->text().trimmed();
    s.password = w.passwordField()->text();
    s.tls = CentralSettings::Tls(w.tlsBox()->currentIndex());
    s.caFile = w.caField()->text().trimmed();
    return s;
}

void CentralWindow::check()
{
    const CentralSettings s = settingsOf(*this, m_outbox.settings());
    const QString key = m_outbox.installationKey();
    m_result->setText(u"Проверка соединения…"_s);
    m_check->setEnabled(false);
    const int mine = ++m_checks;
    runAside<QString>(this, [s, key] { return checkCentralConnection(s, key); },
             [this, mine](const QString &answer) {
                 if (mine != m_checks)
                     return;
                 m_check->setEnabled(true);
                 m_result->setText(answer);
             });
}

void CentralWindow::save()
{
    const CentralSettings old = m_outbox.settings();
    CentralSettings s = settingsOf(*this, old);
    // An office PC: no site code, only the group report, as a user that may
    // only read.
    const bool office = s.site.isEmpty();
    if (office)
        s.enabled = false;
    if (s.enabled && !s.problem().isEmpty()) {
        m_result->setText(u"Не сохранено: "_s + s.problem());
        return;
    }
    const StoreResult saved = m_outbox.applySettings(s);
    if (!saved) {
        m_result->setText(u"Не сохранено: "_s + saved.reason);
        return;
    }
    // The server renames the site at the next connection; its cards follow.
    if (office)
        m_result->setText(u"Сохранено. Код весов не задан: карточки не передаются, доступен только групповой отчёт."_s);
    else if (s.enabled && old.enabled && !old.site.isEmpty() && old.site != s.site)
        m_result->setText(u"Сохранено. На сервере весы «%1» будут переименованы в «%2», их карточки перейдут к новому коду."_s
                              .arg(old.site, s.site));
    else
        m_result->setText(u"Сохранено"_s);
}

void CentralWindow::resend()
{
    if (!m_outbox.startResend(m_context.folders, m_from->date(), m_to->date(), m_context.CurrentOperator))
        return;
    m_resend->setEnabled(false);
    m_progress->setValue(0);
    m_progress->show();
    m_result->setText(u"Карточки периода ставятся в очередь…"_s);
}

void CentralWindow::reconcile()
{
    if (!m_outbox.startReconcile(m_context.folders, m_context.clock.today())) {
        m_result->setText(u"Сверка не начата: передача выключена или уже идёт сверка"_s);
        return;
    }
    m_reconcile->setEnabled(false);
    m_result->setText(u"Сверка с сервером…"_s);
}

void CentralWindow::checkMemory()
{
    const QString site = m_memorySite->currentText().trimmed();
    if (site.isEmpty()) {
        m_memoryResult->setText(u"Выберите весы"_s);
        return;
    }
    if (!m_memoryChecker.startCheck(settingsOf(*this, m_outbox.settings()), site))
        return;
    m_memoryCheck->setEnabled(false);
    m_memoryFindings->hide();
    m_memoryResult->setText(u"Весовая память весов %1 читается с сервера и проверяется…"_s.arg(site));
}

void CentralWindow::resendRejected()
{
    int count = 0;
    const StoreResult queued = m_outbox.resendRejected(count);
    m_result->setText(queued ? u"Отложенные поставлены в очередь: "_s + CentralOutbox::cardsText(count)
                             : u"Не поставлено в очередь: "_s + queued.reason);
}

void CentralWindow::showQueue()
{
    const QString text = m_outbox.statusText();
    const QString reason = m_outbox.reason();
    m_queue->setText(text.isEmpty()                      ? u"Передача выключена"_s
                     : reason.contains(u" ("_s) ? text + u"\nПодробно: "_s + reason.section(u" ("_s, 1).chopped(1)
                                                         : text);
    showRejected();
}

void CentralWindow::showRejected()
{
    const std::vector<RejectedEntry> rejected = m_outbox.rejected();
    if (m_rejected->topLevelItemCount() == int(rejected.size()))
        return;
    m_rejected->clear();
    for (const RejectedEntry &r : rejected) {
        const QJsonObject card = QJsonDocument::fromJson(r.entry.payload).object();
        const QDate day = QDate::fromString(card.value(u"day"_s).toString(), Qt::ISODate);
        const QString what = card.contains(u"memory_no"_s)
                                 ? u"запись весовой памяти № %1"_s.arg(card.value(u"memory_no"_s).toInteger())
                                 : u"№ %1 (ID %2)"_s.arg(card.value(u"number"_s).toInt()).arg(card.value(u"card_id"_s).toInt());
        auto *item = new QTreeWidgetItem({day.toString(u"dd.MM.yyyy"_s), what, r.reason});
        item->setToolTip(2, r.reason);
        m_rejected->addTopLevelItem(item);
    }
    m_resendRejected->setEnabled(!rejected.empty());
}
