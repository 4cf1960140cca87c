#pragma once

#include <QObject>
#include <QString>

#include <array>

class AppContext;
class EventLog;

// "Настройка режимов правки данных" without its widgets: the six
// permission boxes and the two code fields.
class EditModesModel : public QObject
{
    Q_OBJECT

public:
    static constexpr int PermissionCount = 6;

    EditModesModel(AppContext &context, EventLog &log, QObject *parent = nullptr);

    static QString title();
    static QString permissionCaption(int i);

    // Loading and every activation: the boxes from the settings.
    void activate();

    bool permission(int i) const { return m_boxes[size_t(i)]; }
    void setPermission(int i, bool on) { m_boxes[size_t(i)] = on; }
    QString newCode() const { return m_newCode; }
    QString repeatCode() const { return m_repeatCode; }
    void setNewCode(const QString &text) { m_newCode = text; }
    void setRepeatCode(const QString &text) { m_repeatCode = text; }

    // "Изменить пароль": the message to show.
    QString ChangeEditCode();
    // "Сохранить и выйти": in force at once; the file takes them with the
    // next store of the settings.
    void SavePermissions();

signals:
    void fieldsChanged();

private:
    AppContext &m_context;
    EventLog &m_log;
    std::array<bool, PermissionCount> m_boxes{};
    QString m_newCode;
    QString m_repeatCode;
};
