#include "IoSimWindow.h"

#include "IoSimServer.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Coils 0..5 and inputs 0..1, as automation.ini has them by default.
constexpr int entryGreen = 0, entryRed = 1, exitGreen = 2, exitRed = 3, entryBarrier = 4, exitBarrier = 5;

QString lampStyle(const char *on, bool lit)
{
    return u"border-radius: 16px; border: 2px solid #333; background: %1;"_s.arg(lit ? QLatin1StringView(on)
                                                                                       : "#555"_L1);
}

} // namespace

IoSimWindow::IoSimWindow(IoSimServer &server, QWidget *parent)
    : QWidget(parent)
    , m_server(server)
{
    setWindowTitle(u"Имитатор модуля ввода-вывода — порт %1"_s.arg(server.port()));
    auto *grid = new QGridLayout;
    const std::array<QString, 2> ends{u"Въезд"_s, u"Выезд"_s};
    for (int end = 0; end < 2; ++end) {
        auto *box = new QGroupBox(ends[end]);
        auto *layout = new QGridLayout(box);
        for (int light = 0; light < 2; ++light) {
            auto *lamp = new QLabel;
            lamp->setFixedSize(32, 32);
            lamp->setAccessibleName(ends[end] + (light == 0 ? u": зелёный"_s : u": красный"_s));
            m_lamps[end * 2 + light] = lamp;
            layout->addWidget(lamp, light, 0);
            layout->addWidget(new QLabel(light == 0 ? u"зелёный"_s : u"красный"_s), light, 1);
        }
        m_barriers[end] = new QLabel;
        m_barriers[end]->setAccessibleName(u"Шлагбаум: "_s + ends[end]);
        layout->addWidget(m_barriers[end], 2, 0, 1, 2);
        m_beams[end] = new QCheckBox(end == 0 ? u"Луч въезда свободен"_s : u"Луч выезда свободен"_s);
        m_beams[end]->setAccessibleName(m_beams[end]->text());
        m_beams[end]->setChecked(server.input(end));
        layout->addWidget(m_beams[end], 3, 0, 1, 2);
        connect(m_beams[end], &QCheckBox::toggled, this, [this, end](bool on) { m_server.setInput(end, on); });
        grid->addWidget(box, 0, end);
    }
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    auto *hint = new QLabel(u"Modbus TCP 127.0.0.1:%1; катушки 0–5, входы 0–1"_s.arg(server.port()));
    layout->addWidget(hint);

    // The server writes from its own thread; the window looks a few times a second.
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &IoSimWindow::showCoils);
    timer->start(100);
    showCoils();
}

void IoSimWindow::showCoils()
{
    m_lamps[0]->setStyleSheet(lampStyle("#2d2", m_server.coil(entryGreen)));
    m_lamps[1]->setStyleSheet(lampStyle("#e22", m_server.coil(entryRed)));
    m_lamps[2]->setStyleSheet(lampStyle("#2d2", m_server.coil(exitGreen)));
    m_lamps[3]->setStyleSheet(lampStyle("#e22", m_server.coil(exitRed)));
    for (int end = 0; end < 2; ++end) {
        const bool open = m_server.coil(end == 0 ? entryBarrier : exitBarrier);
        m_barriers[end]->setText(open ? u"Шлагбаум открыт  ╱"_s : u"Шлагбаум закрыт ━━"_s);
    }
    for (int end = 0; end < 2; ++end) {
        const QSignalBlocker quiet(m_beams[end]);
        m_beams[end]->setChecked(m_server.input(end));
    }
}
