#pragma once

#include <QGroupBox>
#include <QStringList>
#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct Settings;
class Weighing;

// "Ввод данных для взвешивания": the seven parameter boxes, the operation
// type, the litter percentage and "Записать".
//
// Keyboard: Tab runs box 1..7, litter %, type, "Записать"; Enter moves to
// the next box and in the type box stores. Shift+Tab from a box reaches
// its "+", as does Ctrl++ in it.
class DataEntryFrame : public QGroupBox
{
    Q_OBJECT

public:
    explicit DataEntryFrame(QWidget *parent = nullptr);

    // The boxes, the type and "Записать" drive the weighing and follow it.
    void attach(Weighing &weighing);
    void setCaptions(const Settings &settings);
    QComboBox *parameterBox(int i) const { return m_boxes[size_t(i)]; }
    // "+" beside box i: the constants of its value.
    QPushButton *plusButton(int i) const { return m_plus[size_t(i)]; }
    // Box i lists `values` in their order; the typed text stays as it was.
    void setPickList(int i, const QStringList &values);
    QComboBox *operationTypeBox() const { return m_type; }
    QLineEdit *litterField() const { return m_litter; }
    QPushButton *storeButton() const { return m_store; }
    // "Брутто − сохранённая тара" and what it would take, while the plate
    // typed is a known vehicle's.
    QPushButton *storedTareButton() const { return m_storeStored; }
    QLabel *storedTareLabel() const { return m_storedTare; }
    // The first box takes the focus.
    void focusFirstBox();
    // Every box and the litter % emptied, the type kept.
    void clearEntries();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Enter in box `box` (0..6): on to the next box, after the last to the type.
    void focusAfter(int box);
    // "Записать" as the operator pressed it, when it is shown.
    void store();
    int boxIndex(const QObject *watched) const;

    std::array<QLabel *, 7> m_captions{};
    std::array<QComboBox *, 7> m_boxes{};
    std::array<QPushButton *, 7> m_plus{};
    QLabel *m_typeCaption;
    QComboBox *m_type;
    QLabel *m_litterCaption;
    QLineEdit *m_litter;
    QPushButton *m_store;
    QLabel *m_storedTare;
    QPushButton *m_storeStored;
};
