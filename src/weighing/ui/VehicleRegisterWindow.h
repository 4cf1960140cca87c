#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;
class VehicleRegister;

// "Справочник машин": the known vehicles and their stored tares, edited
// as a table behind the engineer's code and saved whole.
class VehicleRegisterWindow : public QWidget
{
    Q_OBJECT

public:
    VehicleRegisterWindow(VehicleRegister &vehicles, QWidget *parent = nullptr);

    // The register as the file holds it now.
    void load();
    QTableWidget *table() const { return m_table; }
    QPushButton *addButton() const { return m_add; }
    QPushButton *removeButton() const { return m_remove; }
    QPushButton *saveButton() const { return m_save; }
    QLabel *stateLine() const { return m_state; }

signals:
    // The register was written.
    void saved();

private:
    void save();

    VehicleRegister &m_vehicles;
    QTableWidget *m_table;
    QPushButton *m_add;
    QPushButton *m_remove;
    QPushButton *m_save;
    QLabel *m_state;
};
