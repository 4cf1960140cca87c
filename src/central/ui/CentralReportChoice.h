#pragma once

#include <QWidget>

class CentralReport;
class QComboBox;

// The report frame's source ("Эти весы" / "Все весы (центральная база)")
// and, for all scales, the site filter.
class CentralReportChoice : public QWidget
{
    Q_OBJECT

public:
    explicit CentralReportChoice(CentralReport &report, QWidget *parent = nullptr);

    QComboBox *sourceBox() const { return m_source; }
    QComboBox *siteBox() const { return m_site; }

private:
    void sourceChosen(int index);
    void showSites();

    CentralReport &m_report;
    QComboBox *m_source;
    QComboBox *m_site;
};
