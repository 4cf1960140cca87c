#include "ExchangeRebuildDialog.h"

#include "reports/ExchangeRebuild.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

ExchangeRebuildDialog::ExchangeRebuildDialog(ExchangeRebuild &rebuild, QWidget *parent)
    : QDialog(parent)
    , m_rebuild(rebuild)
    , m_date(new QDateEdit(this))
    , m_start(new QPushButton(u"Пересоздать"_s, this))
    , m_check(new QPushButton(u"Сверить с файлом дня"_s, this))
    , m_close(new QPushButton(u"Закрыть"_s, this))
    , m_progress(new QProgressBar(this))
    , m_result(new QLabel(this))
{
    setWindowTitle(u"Пересоздать файлы обмена"_s);
    m_date->setDisplayFormat(u"dd.MM.yyyy"_s);
    m_date->setCalendarPopup(true);
    auto *dateLabel = new QLabel(u"Дата:"_s, this);
    dateLabel->setBuddy(m_date);
    m_date->setAccessibleName(dateLabel->text());
    m_start->setAccessibleName(m_start->text());
    m_check->setAccessibleName(m_check->text());
    m_close->setAccessibleName(m_close->text());
    m_progress->setAccessibleName(u"Ход работы"_s);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_result->setWordWrap(true);
    m_result->setAccessibleName(u"Результат"_s);

    auto *hint = new QLabel(u"Файлы {дата}.txt, {дата}_1C.txt, {дата}.xls и {дата}_1C.xls выбранного дня "
                            u"будут записаны заново из файла дня. Сверка переписывает только строки "_s
                            u"{дата}.txt и {дата}_1C.txt, расходящиеся с файлом дня."_s,
                            this);
    hint->setWordWrap(true);
    auto *form = new QFormLayout;
    form->addRow(dateLabel, m_date);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_check);
    buttons->addWidget(m_start);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(form);
    layout->addWidget(m_progress);
    layout->addWidget(m_result);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(m_start, &QPushButton::clicked, this, &ExchangeRebuildDialog::start);
    // Quick and in place: the window waits for it.
    connect(m_check, &QPushButton::clicked, this, [this] {
        if (!m_rebuild.running())
            m_result->setText(m_rebuild.reconcile(m_date->date()));
    });
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    connect(&m_rebuild, &ExchangeRebuild::progress, this, [this](int done, int total) {
        m_progress->setRange(0, qMax(total, 1));
        m_progress->setValue(total > 0 ? done : 1);
    });
    connect(&m_rebuild, &ExchangeRebuild::finished, this, [this](bool, const QString &message) {
        m_result->setText(message);
        m_start->setEnabled(true);
        m_check->setEnabled(true);
        m_date->setEnabled(true);
    });
}

void ExchangeRebuildDialog::setDate(const QDate &date)
{
    m_date->setDate(date);
}

void ExchangeRebuildDialog::start()
{
    m_result->clear();
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_start->setEnabled(false);
    m_check->setEnabled(false);
    m_date->setEnabled(false);
    m_rebuild.rebuild(m_date->date());
}
