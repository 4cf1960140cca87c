#pragma once

#include <QGroupBox>
#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct Settings;

// "Ввод данных для взвешивания": the seven parameter boxes, the operation
// type, the litter percentage and "Записать".
class DataEntryFrame : public QGroupBox
{
    Q_OBJECT

public:
    explicit DataEntryFrame(QWidget *parent = nullptr);

    void setCaptions(const Settings &settings);
    QComboBox *parameterBox(int i) const { return m_boxes[size_t(i)]; }
    QComboBox *operationTypeBox() const { return m_type; }
    QLineEdit *litterField() const { return m_litter; }
    QPushButton *storeButton() const { return m_store; }

private:
    std::array<QLabel *, 7> m_captions{};
    std::array<QComboBox *, 7> m_boxes{};
    QLabel *m_typeCaption;
    QComboBox *m_type;
    QLabel *m_litterCaption;
    QLineEdit *m_litter;
    QPushButton *m_store;
};
