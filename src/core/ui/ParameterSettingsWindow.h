#pragma once

#include <QWidget>

#include <array>
#include <functional>

class ParameterSettingsModel;
class QLineEdit;
class QPushButton;

// "Настройки параметров": operators and their codes, the engineer's code,
// the result folder, the 25 parameter names and the event log. It shows
// the model's fields and forwards the engineer's typing and buttons.
class ParameterSettingsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ParameterSettingsWindow(ParameterSettingsModel &model, QWidget *parent = nullptr);
    static QString title();

    QLineEdit *operatorNameField(int slot) const { return m_operatorNames[size_t(slot)]; }
    QLineEdit *operatorCodeField(int slot) const { return m_operatorCodes[size_t(slot)]; }
    QLineEdit *oldCodeField() const { return m_oldCode; }
    QLineEdit *newCodeField() const { return m_newCode; }
    QLineEdit *confirmCodeField() const { return m_confirmCode; }
    QLineEdit *resultFolderField() const { return m_resultFolder; }
    QLineEdit *paramNameField(int i) const { return m_paramNames[size_t(i)]; }
    QLineEdit *logPathField() const { return m_logPath; }

    QPushButton *saveOperatorsButton() const { return m_saveOperators; }
    QPushButton *changeCodeButton() const { return m_changeCode; }
    QPushButton *resultFolderButton() const { return m_chooseResult; }
    QPushButton *exchangeRebuildButton() const { return m_rebuild; }
    QPushButton *saveNamesButton() const { return m_saveNames; }
    QPushButton *logFolderButton() const { return m_chooseLog; }
    QPushButton *clearLogButton() const { return m_clearLog; }
    QPushButton *resetButton() const { return m_reset; }
    QPushButton *exitButton() const { return m_exit; }

    // The folder browser; tests answer it themselves.
    void setFolderChooser(std::function<QString(QWidget *)> chooser) { m_chooseFolder = std::move(chooser); }
    // The text of the last message shown.
    QString lastMessage() const { return m_lastMessage; }

signals:
    // "Пересоздать файлы обмена…": a day's exchange files built again.
    void exchangeRebuildRequested();

private:
    void sync();
    void showMessage(const QString &text);

    ParameterSettingsModel &m_model;
    std::array<QLineEdit *, 9> m_operatorNames{};
    std::array<QLineEdit *, 9> m_operatorCodes{};
    QLineEdit *m_oldCode;
    QLineEdit *m_newCode;
    QLineEdit *m_confirmCode;
    QLineEdit *m_resultFolder;
    std::array<QLineEdit *, 25> m_paramNames{};
    QLineEdit *m_logPath;
    QPushButton *m_saveOperators;
    QPushButton *m_changeCode;
    QPushButton *m_chooseResult;
    QPushButton *m_rebuild;
    QPushButton *m_saveNames;
    QPushButton *m_chooseLog;
    QPushButton *m_clearLog;
    QPushButton *m_reset;
    QPushButton *m_exit;
    std::function<QString(QWidget *)> m_chooseFolder;
    QString m_lastMessage;
};
