#pragma once

#include "terminal/PortSettingsModel.h"

#include <QWidget>

class QComboBox;

// "Настройка СОМ-порта компьютера": the five port lists, "Сохранить", "Выход".
class PortSettingsWindow : public QWidget
{
    Q_OBJECT

public:
    PortSettingsWindow(AppContext &context, TerminalLink &link, EventLog &log, QWidget *parent = nullptr);

    static QString title();

    // The lists show the current settings.
    void reload();
    void save();
    // The five texts as the lists hold them.
    PortParameters chosen() const;

protected:
    bool event(QEvent *event) override;

private:
    PortSettingsModel m_model;
    QComboBox *m_port;
    QComboBox *m_speed;
    QComboBox *m_parity;
    QComboBox *m_dataBits;
    QComboBox *m_stopBits;
};
