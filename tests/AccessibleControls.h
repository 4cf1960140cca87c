#pragma once

// What a screen reader hears of a window's controls.

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

namespace AccessibleControls {

inline QString valueText(const QWidget *w)
{
    if (auto *box = qobject_cast<const QComboBox *>(w))
        return box->currentText();
    if (auto *field = qobject_cast<const QLineEdit *>(w))
        return field->text();
    return QString();
}

// Parts of Qt's own composite controls carry no caption of ours.
inline bool insideQtComposite(const QWidget *w, const QWidget *root)
{
    for (const QWidget *p = w->parentWidget(); p && p != root; p = p->parentWidget())
        if (qobject_cast<const QCalendarWidget *>(p) || qobject_cast<const QAbstractSpinBox *>(p))
            return true;
    return false;
}

// The controls under `root` that a screen reader would not announce by
// their caption: no name at all, or the text they hold in place of it.
inline QStringList badlyNamed(const QWidget *root)
{
    QStringList faults;
    int checked = 0;
    for (const QWidget *w : root->findChildren<QWidget *>()) {
        const bool field = qobject_cast<const QComboBox *>(w) || qobject_cast<const QLineEdit *>(w);
        const bool button = qobject_cast<const QPushButton *>(w) || qobject_cast<const QCheckBox *>(w)
                            || qobject_cast<const QRadioButton *>(w);
        if ((!field && !button) || insideQtComposite(w, root))
            continue;
        ++checked;
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(const_cast<QWidget *>(w));
        const QString name = a ? a->text(QAccessible::Name) : QString();
        const QString value = valueText(w);
        const QString what = QString::fromLatin1(w->metaObject()->className()) + u" \"" + value + u'"';
        if (name.trimmed().isEmpty())
            faults << what + u" has no name";
        else if (field && !value.isEmpty() && name == value && w->accessibleName() != value)
            faults << what + u" is named by its value";
    }
    if (checked == 0)
        faults << QStringLiteral("no controls found");
    return faults;
}

} // namespace AccessibleControls
