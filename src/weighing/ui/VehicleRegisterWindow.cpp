#include "VehicleRegisterWindow.h"

#include "core/Formats.h"
#include "core/Numbers.h"
#include "store/VehicleRegister.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

VehicleRegisterWindow::VehicleRegisterWindow(VehicleRegister &vehicles, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_vehicles(vehicles)
    , m_table(new QTableWidget(0, 9, this))
    , m_add(new QPushButton(u"Добавить"_s, this))
    , m_remove(new QPushButton(u"Удалить"_s, this))
    , m_save(new QPushButton(u"Сохранить"_s, this))
    , m_state(new QLabel(this))
{
    setWindowTitle(u"Справочник машин"_s);
    setAccessibleName(windowTitle());
    m_table->setAccessibleName(u"Машины"_s);
    m_table->setHorizontalHeaderLabels(
        {u"Номер машины"_s, u"Тара"_s, u"Дата тары"_s, u"Перевозчик"_s, u"Ф.И.О. водителя"_s, u"Номер карты"_s,
         u"Груз"_s, u"Отправитель"_s, u"Получатель"_s});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    for (QPushButton *b : {m_add, m_remove, m_save})
        b->setAccessibleName(b->text());
    m_state->setAccessibleName(u"Состояние"_s);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch();
    buttons->addWidget(m_state);
    buttons->addWidget(m_save);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(1100, 420);

    connect(m_add, &QPushButton::clicked, this, [this] {
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        m_table->setCurrentCell(row, 0);
        m_table->editItem(m_table->item(row, 0));
    });
    connect(m_remove, &QPushButton::clicked, this, [this] {
        if (m_table->currentRow() >= 0)
            m_table->removeRow(m_table->currentRow());
    });
    connect(m_save, &QPushButton::clicked, this, &VehicleRegisterWindow::save);
}

void VehicleRegisterWindow::load()
{
    const QList<KnownVehicle> vehicles = m_vehicles.all();
    m_table->setRowCount(0);
    m_table->setRowCount(int(vehicles.size()));
    for (int row = 0; row < vehicles.size(); ++row) {
        const KnownVehicle &v = vehicles[row];
        const QStringList cells = {v.plate, NumberText(v.tare),
                                   v.tareDate.isValid() ? ShortDateText(v.tareDate) : QString(), v.carrier,
                                   v.driver, v.card, v.cargo, v.sender, v.receiver};
        for (int col = 0; col < cells.size(); ++col)
            m_table->setItem(row, col, new QTableWidgetItem(cells[col]));
    }
    m_table->resizeColumnsToContents();
    m_state->clear();
}

void VehicleRegisterWindow::save()
{
    const auto cell = [this](int row, int col) {
        const QTableWidgetItem *item = m_table->item(row, col);
        return item ? item->text().trimmed() : QString();
    };
    QList<KnownVehicle> vehicles;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        KnownVehicle v;
        v.plate = cell(row, 0);
        v.tare = ParseNumber(cell(row, 1));
        v.tareDate = QDate::fromString(cell(row, 2), u"dd.MM.yyyy"_s);
        v.carrier = cell(row, 3);
        v.driver = cell(row, 4);
        v.card = cell(row, 5);
        v.cargo = cell(row, 6);
        v.sender = cell(row, 7);
        v.receiver = cell(row, 8);
        if (!v.plate.isEmpty() && !cell(row, 2).isEmpty() && !v.tareDate.isValid()) {
            m_state->setText(u"Дата тары в строке %1 не понята: нужна дд.мм.гггг"_s.arg(row + 1));
            return;
        }
        vehicles.append(v);
    }
    if (const StoreResult written = m_vehicles.replaceAll(vehicles); !written) {
        m_state->setText(u"Справочник не записан: "_s + written.reason);
        return;
    }
    load();
    m_state->setText(u"Записано"_s);
    emit saved();
}
