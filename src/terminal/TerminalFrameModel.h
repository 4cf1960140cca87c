#pragma once

#include <QString>
#include <QStringList>

class AppContext;
class TerminalLink;

// The frame "Тип терминала" of the scale-settings window: the terminal
// list, the zero button and the one value field of the two asked types.
// The field works on the stored type; the list takes effect on "Выход".
class TerminalFrameModel
{
public:
    TerminalFrameModel(AppContext &context, TerminalLink &link);

    static QStringList typeNames();
    static QString coefficientLabel();
    static QString decimalPlacesLabel();

    // Opening the window: the list on the stored type, the field from it.
    void load();

    int selectedIndex() const { return m_selected; }
    void select(int index);
    QString selectedText() const;

    // The zero button, the value field, their labels and "Сохранить".
    bool extrasVisible() const;
    QString valueLabel() const;
    QString valueText() const;
    // Only the stored type 3 or 7 has a value to edit.
    bool valueEditable() const;

    // The frame's "Сохранить".
    void saveValue(const QString &text);
    // "Выход" of the window: the list position becomes TerminalType.
    void applySelection();
    // ">0<".
    void sendZero();

private:
    int storedType() const;

    AppContext &m_context;
    TerminalLink &m_link;
    int m_selected = -1;
};
