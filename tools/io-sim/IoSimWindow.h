#pragma once

#include <QWidget>

#include <array>

class IoSimServer;
class QCheckBox;
class QLabel;

// The simulated module as a weighbridge shows it: a light at each end,
// both barriers, and the two beams to break by hand.
class IoSimWindow : public QWidget
{
    Q_OBJECT

public:
    explicit IoSimWindow(IoSimServer &server, QWidget *parent = nullptr);

private:
    void showCoils();

    IoSimServer &m_server;
    std::array<QLabel *, 4> m_lamps;
    std::array<QLabel *, 2> m_barriers;
    std::array<QCheckBox *, 2> m_beams;
};
