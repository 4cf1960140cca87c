#pragma once

#include "SpreadsheetApplication.h"

#include <QString>

#include <memory>

// The spreadsheet application as a headless LibreOffice Calc driven through
// UNO. The office is started by the first create() and kept running between
// workbooks (quit() only closes the workbooks opened through it); it is started
// again when it has died, and ended by the destructor.
class UnoSpreadsheetApplication : public SpreadsheetApplication
{
public:
    struct Options
    {
        // The office program itself, "soffice.bin".
        QString program = defaultProgram();
        // The office's own profile; empty: a temporary folder for this run.
        QString profileFolder;
        // Longest wait for a started office to accept the connection.
        int startTimeoutMs = 20000;
    };

    explicit UnoSpreadsheetApplication(const Options &options);
    ~UnoSpreadsheetApplication() override;

    // Nothing when the office is not installed, so the caller knows at
    // once, without starting anything, that no workbook can be written.
    static std::unique_ptr<UnoSpreadsheetApplication> createIfInstalled(const Options &options);
    static std::unique_ptr<UnoSpreadsheetApplication> createIfInstalled();
    static QString defaultProgram();

    bool create() override;
    int addWorkbook() override;
    bool activateWorkbook(int workbook) override;
    int openWorkbook(const QString &path) override;
    bool saveAs(const QString &path) override;
    bool save() override;
    bool close() override;
    bool closeAll() override;
    void quit() override;

    bool setCellInteger(int row, int column, qint64 value) override;
    bool setCellDouble(int row, int column, double value) override;
    bool setCellDate(int row, int column, double oleDate) override;
    bool setCellText(int row, int column, const QString &text) override;
    bool setNumberFormat(int row, int column, const QString &format) override;
    bool setBorderLineStyle(int row, int column, LineStyle style) override;
    bool setBorderWeight(int row, int column, BorderWeight weight) override;
    bool setHorizontalAlignment(int row, int column, Alignment alignment) override;
    bool setColumnWidth(int column, double characters) override;

    void shutDown() override;
    void abort() override;

    // How many offices were started; each restart adds one.
    int startCount() const;
    // The office's process id, 0 when none runs.
    qint64 processId() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
