#pragma once

#include <QGroupBox>
#include <array>

class QCheckBox;
class Weighing;
class QLabel;
class QLineEdit;
class QPushButton;
struct Settings;

// The live weights: the terminal's weight in large digits, gross, net and
// tare, the running sum with its switch, the lamps, "Автомат" and the axles.
class WeightPanel : public QGroupBox
{
    Q_OBJECT

public:
    explicit WeightPanel(QWidget *parent = nullptr);

    // The live weights, the tare, the litter and the axles of the weighing.
    void attach(Weighing &weighing);
    void setCaptions(const Settings &settings);
    void setTerminalText(const QString &text);
    // The state mark inside the display ("НЕТ СВЯЗИ", "ПЕРЕГРУЗ", "≈", ">0<").
    void setStateMark(const QString &mark, bool alarm);
    QLabel *stateMark() const { return m_stateMark; }
    void setUnit(const QString &unit);
    void setSumSwitch(const QString &caption, const QColor &colour);
    void setSum(const QString &weight, const QString &count);
    // Lamp i (0..2) lit in `colour`, or dark when the colour is invalid.
    void setLamp(int i, const QColor &colour);
    void setAxlesVisible(bool visible);
    // Whose weights gross, net and tare show: the weighing on the scale, or
    // a card shown in "Просмотр" or "Архив", which is no reading of the scale.
    enum class Source { Scale, Card, ArchiveCard };
    void setSource(Source source);
    QLabel *sourceLabel() const { return m_source; }

    QLineEdit *terminalField() const { return m_terminal; }
    QLineEdit *grossField() const { return m_gross; }
    QLineEdit *netField() const { return m_net; }
    QLineEdit *tareField() const { return m_tare; }
    QLineEdit *cleanField() const { return m_clean; }
    QLineEdit *litterWeightField() const { return m_litterWeight; }
    QLineEdit *litterPercentField() const { return m_litterPercent; }
    // Rewrites a field unless the operator is typing in it.
    static void showText(QLineEdit *field, const QString &text);
    QPushButton *tareButton() const { return m_tareButton; }
    QPushButton *sumSwitch() const { return m_sumSwitch; }
    QLineEdit *sumWeightField() const { return m_sumWeight; }
    QLineEdit *sumCountField() const { return m_sumCount; }
    QCheckBox *autoBox() const { return m_auto; }
    QLabel *unitLabel() const { return m_unit; }
    QPushButton *axleButton(int i) const { return m_axleButtons[size_t(i)]; }
    QLineEdit *axleField(int i) const { return m_axleFields[size_t(i)]; }

private:
    void showAxles(const Weighing &weighing);

    QLineEdit *m_terminal;
    QLabel *m_stateMark;
    QLabel *m_unit;
    QLabel *m_source;
    QLabel *m_grossCaption;
    QLineEdit *m_gross;
    QLabel *m_netCaption;
    QLineEdit *m_net;
    QLabel *m_tareCaption;
    QLineEdit *m_tare;
    QPushButton *m_tareButton;
    QLabel *m_cleanCaption;
    QLineEdit *m_clean;
    QLabel *m_litterWeightCaption;
    QLineEdit *m_litterWeight;
    QLabel *m_litterPercentCaption;
    QLineEdit *m_litterPercent;
    QLineEdit *m_sumWeight;
    QLineEdit *m_sumCount;
    QPushButton *m_sumSwitch;
    std::array<QLabel *, 3> m_lamps{};
    QCheckBox *m_auto;
    QWidget *m_axles;
    std::array<QPushButton *, 8> m_axleButtons{};
    std::array<QLineEdit *, 8> m_axleFields{};
};
