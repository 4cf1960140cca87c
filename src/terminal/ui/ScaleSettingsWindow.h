#pragma once

#include <QWidget>
#include <array>

class AppContext;
class EventLog;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class TerminalFrame;
class TerminalLink;

// "Настройка весов": terminal, poll period, automatic-mode thresholds,
// unit, program type, advertising caption and the animation pictures.
class ScaleSettingsWindow : public QWidget
{
    Q_OBJECT

public:
    ScaleSettingsWindow(AppContext &context, EventLog &log, TerminalLink &link, QWidget *parent = nullptr);
    static QString title();

    // Fills every field from the settings.
    void load();
    // "Выход"; false when saving failed and the window stays open.
    bool saveAndClose();
    void restoreDefaults();
    void choosePicture(int index);
    void chooseFont();

    QLineEdit *field(const QString &caption) const;
    QSpinBox *holdTimeBox() const { return m_holdTime; }
    QSpinBox *replyTimeoutBox() const { return m_replyTimeout; }
    QRadioButton *platformButton() const { return m_platform; }
    QRadioButton *axleButton() const { return m_axle; }
    TerminalFrame *terminalFrame() const { return m_terminal; }

signals:
    // Told to the main window.
    void programTypeChanged();
    void captionChanged();
    void picturesChanged();

private:
    void showPictures();
    void styleCaptionField();
    void setProgramType(int axle);

    AppContext &m_context;
    EventLog &m_log;
    TerminalLink &m_link;
    TerminalFrame *m_terminal;
    QLineEdit *m_autoMin;
    QLineEdit *m_autoFluctuation;
    QLineEdit *m_period;
    QLineEdit *m_unit;
    QLineEdit *m_caption;
    QSpinBox *m_holdTime;
    QSpinBox *m_replyTimeout;
    QRadioButton *m_platform;
    QRadioButton *m_axle;
    QCheckBox *m_autoStart;
    QCheckBox *m_autoPhoto;
    std::array<QLabel *, 4> m_pictures{};
};
