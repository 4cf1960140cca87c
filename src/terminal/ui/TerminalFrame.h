#pragma once

#include "terminal/TerminalFrameModel.h"

#include <QGroupBox>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class RawFrameWindow;

// The frame "Тип терминала" for the scale-settings window, with the way
// to the raw-frame view.
class TerminalFrame : public QGroupBox
{
    Q_OBJECT

public:
    TerminalFrame(AppContext &context, TerminalLink &link, QWidget *parent = nullptr);

    // The window opens: the list on the stored type.
    void load();
    // The window is left with "Выход": the chosen type becomes the setting.
    void applySelection();

    TerminalFrameModel &model() { return m_model; }
    RawFrameWindow *rawFrameWindow() const { return m_rawWindow; }
    void showRawFrames();

private:
    void sync();

    TerminalFrameModel m_model;
    TerminalLink &m_link;
    QComboBox *m_list;
    QPushButton *m_zero;
    QLabel *m_zeroLabel;
    QLabel *m_valueLabel;
    QLineEdit *m_value;
    QPushButton *m_save;
    RawFrameWindow *m_rawWindow = nullptr;
};
