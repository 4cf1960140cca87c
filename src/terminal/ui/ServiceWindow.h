#pragma once

#include <QWidget>

class AppContext;
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
    ServiceWindow(AppContext &context, WeightConditioning &conditioning, QWidget *parent = nullptr);
    static QString title();

    void load();
    // "Сохранить"; returns the message shown, which names a field without a
    // number when the save was refused.
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
