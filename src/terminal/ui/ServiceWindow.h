#pragma once

#include <QWidget>

class AppContext;
class EventLog;
class QCheckBox;
class QLabel;
class QLineEdit;
class WeightConditioning;

// "Сервис": the scale's own data, the tare entry, the receipt button and
// the reset of an overload.
class ServiceWindow : public QWidget
{
    Q_OBJECT

public:
    ServiceWindow(AppContext &context, EventLog &log, WeightConditioning &conditioning, QWidget *parent = nullptr);
    static QString title();
    static QString acceptedMessage();

    void load();
    // "Сохранить"; returns the message shown: "Изменения приняты", the field
    // without a number that refused the save, or the settings file's failure.
    QString save();
    void resetOverload();

    QLineEdit *modelField() const { return m_model; }
    QLineEdit *serialField() const { return m_serial; }
    QLineEdit *verificationField() const { return m_verification; }
    QLineEdit *maxWeightField() const { return m_maxWeight; }
    QCheckBox *tareBox() const { return m_tare; }
    QCheckBox *receiptBox() const { return m_receipt; }
    QLabel *overloadLabel() const { return m_overload; }

signals:
    // After "Сохранить": the main window applies the service settings.
    void serviceSettingsSaved();

private:
    AppContext &m_context;
    EventLog &m_log;
    WeightConditioning &m_conditioning;
    QLineEdit *m_model;
    QLineEdit *m_serial;
    QLineEdit *m_verification;
    QCheckBox *m_tare;
    QCheckBox *m_receipt;
    QLineEdit *m_maxWeight;
    QLabel *m_unit;
    QLabel *m_overload;
};
