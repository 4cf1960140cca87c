#pragma once

#include "core/ProgressDisplay.h"
#include "reports/ReportMessage.h"

#include <QElapsedTimer>
#include <QWidget>

class PeriodReport;
class ReportPrinter;
class QCheckBox;
class QGridLayout;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

// The frame "Отчеты о работе весов" with its grid. It mirrors the report's
// state, forwards the operator's input and shows the report's messages;
// while a report is built its own progress bar runs.
class ReportFrame : public QWidget, public ProgressDisplay
{
    Q_OBJECT

public:
    explicit ReportFrame(PeriodReport &report, QWidget *parent = nullptr);
    ~ReportFrame() override;

    QTableView *grid() const { return m_grid; }
    QPushButton *printButton() const { return m_print; }
    QCheckBox *textModeBox() const { return m_textMode; }
    QCheckBox *landscapeBox() const { return m_landscape; }

    // "Печать отчета" and its check boxes work once a printer is attached.
    void attachPrinter(ReportPrinter &printer);

    // The choice of the report's source, beside the print controls.
    void addSourceControls(QWidget *controls);

    // On switching to reports (the report itself is prepared at the main window's load).
    void enterView();

    void beginProgress() override;
    void stepProgress(int done, int total) override;
    void endProgress() override;

private:
    void build();
    void showMessage(ReportMessage message);
    void syncFields();
    void syncColumns();
    int twipsToPixels(int twips) const;

    PeriodReport &m_report;
    QLineEdit *m_date1;
    QLineEdit *m_date2;
    QComboBox *m_parameter;
    QPushButton *m_build;
    QCheckBox *m_rows;
    QCheckBox *m_columns;
    QProgressBar *m_progress;
    QPushButton *m_print;
    QCheckBox *m_textMode;
    QCheckBox *m_landscape;
    ReportPrinter *m_printer = nullptr;
    QTableView *m_grid;
    QGridLayout *m_controls = nullptr;
    bool m_syncing = false;
    QElapsedTimer m_sincePaint;
};
