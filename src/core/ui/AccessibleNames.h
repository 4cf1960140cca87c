#pragma once

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

// Qt's own interface of a combo box gives its current text as its name on
// Linux, so a screen reader would announce "Песок" instead of
// "Наименование груза". This one gives the caption as the name (the
// accessible name, else the text of its label) and the text as the value,
// with the list and the edit field as children, as Qt's does.
//
// Header only: every window library that holds combo boxes installs it,
// and the same factory function is installed once.
class CaptionedComboBoxAccessible : public QAccessibleWidget
{
public:
    explicit CaptionedComboBoxAccessible(QComboBox *box)
        : QAccessibleWidget(box, QAccessible::ComboBox)
    {
    }

    QComboBox *comboBox() const { return static_cast<QComboBox *>(object()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return comboBox()->currentText();
        if (t == QAccessible::Name) {
            const QString name = QAccessibleWidget::text(t);
            return name.isEmpty() ? comboBox()->currentText() : name;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = comboBox()->isEditable();
        s.expandable = true;
        s.expanded = comboBox()->view() && comboBox()->view()->isVisible();
        return s;
    }

    int childCount() const override { return comboBox()->lineEdit() ? 2 : 1; }

    QAccessibleInterface *child(int index) const override
    {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(comboBox()->view());
        if (index == 1 && comboBox()->lineEdit())
            return QAccessible::queryAccessibleInterface(comboBox()->lineEdit());
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        if (child->object() == comboBox()->view())
            return 0;
        if (comboBox()->lineEdit() && child->object() == comboBox()->lineEdit())
            return 1;
        return -1;
    }

    QAccessibleInterface *focusChild() const override
    {
        if (comboBox()->view() && comboBox()->view()->isVisible())
            return child(0);
        return comboBox()->lineEdit() ? child(1) : nullptr;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName == showMenuAction() || actionName == pressAction()) {
            if (comboBox()->view() && comboBox()->view()->isVisible())
                comboBox()->hidePopup();
            else
                comboBox()->showPopup();
            return;
        }
        QAccessibleWidget::doAction(actionName);
    }
};

inline QAccessibleInterface *captionedComboBoxFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("QComboBox"))
        if (auto *box = qobject_cast<QComboBox *>(object))
            return new CaptionedComboBoxAccessible(box);
    return nullptr;
}

// Before the first combo box is asked for its interface.
inline void installCaptionedComboBoxes()
{
    QAccessible::installFactory(&captionedComboBoxFactory);
}

// A combo box and its edit field both named by `caption`.
inline void setComboBoxCaption(QComboBox *box, const QString &caption)
{
    box->setAccessibleName(caption);
    if (QLineEdit *edit = box->lineEdit())
        edit->setAccessibleName(caption);
}
