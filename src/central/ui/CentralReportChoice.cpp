#include "CentralReportChoice.h"

#include "central/CentralReport.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>

using namespace Qt::StringLiterals;

CentralReportChoice::CentralReportChoice(CentralReport &report, QWidget *parent)
    : QWidget(parent)
    , m_report(report)
    , m_source(new QComboBox)
    , m_site(new QComboBox)
{
    m_source->addItems(CentralReport::sourceNames());
    m_source->setAccessibleName(u"Источник"_s);
    m_site->setAccessibleName(u"Весы"_s);
    m_site->setMinimumContentsLength(12);
    auto *sourceLabel = new QLabel(u"Источник"_s);
    sourceLabel->setBuddy(m_source);
    auto *siteLabel = new QLabel(u"Весы"_s);
    siteLabel->setBuddy(m_site);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sourceLabel, 0, 0);
    layout->addWidget(m_source, 0, 1);
    layout->addWidget(siteLabel, 1, 0);
    layout->addWidget(m_site, 1, 1);
    showSites();

    connect(m_source, &QComboBox::activated, this, &CentralReportChoice::sourceChosen);
    connect(m_site, &QComboBox::activated, this, [this] { m_report.setSiteFilter(m_site->currentText()); });
}

void CentralReportChoice::sourceChosen(int index)
{
    const auto source = index == 1 ? CentralReport::AllScales : CentralReport::ThisScale;
    m_report.selectSource(source);
    if (source == CentralReport::AllScales) {
        QString error;
        if (!m_report.loadSites(error))
            QMessageBox::warning(this, u"Центральная база"_s, u"Список весов не получен: "_s + error);
    }
    showSites();
}

void CentralReportChoice::showSites()
{
    m_site->clear();
    m_site->addItem(CentralReport::allSites());
    m_site->addItems(m_report.sites());
    m_site->setCurrentText(m_report.siteFilter());
    m_site->setEnabled(m_report.source() == CentralReport::AllScales);
}
