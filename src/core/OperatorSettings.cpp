#include "OperatorSettings.h"

#include <QFileInfo>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

const QString kClearEntry = u"ClearEntryAfterStore"_s;
const QString kLearnLists = u"LearnPickLists"_s;
const QString kOpenDays = u"OpenWeighingDays"_s;
const QString kTareAge = u"StoredTareMaxAgeDays"_s;
const QString kRefuseUnsteady = u"RefuseUnsteadyWeight"_s;
const QString kUnattended = u"Unattended"_s;
const QString kEmptyWeight = u"EmptyPlatformWeight"_s;
const QString kHoldTime = u"WeightHoldMs"_s;
const QString kReplyTimeout = u"ReplyTimeoutMs"_s;
const QString kPreviewPosition = u"PreviewPosition"_s;
const QString kIpCameraPosition = u"IpCameraPosition"_s;

std::optional<QPoint> pointOf(const QSettings &file, const QString &key)
{
    const QVariant position = file.value(key);
    if (position.isValid() && position.canConvert<QPoint>())
        return position.toPoint();
    return std::nullopt;
}

} // namespace

QString OperatorSettings::pathBeside(const QString &settingsFile)
{
    const QFileInfo info(settingsFile);
    return info.path() + u'/' + info.completeBaseName() + u".operator.ini"_s;
}

void OperatorSettings::load(const QString &path)
{
    *this = OperatorSettings();
    if (!QFileInfo::exists(path))
        return;
    const QSettings file(path, QSettings::IniFormat);
    m_clearEntry = file.value(kClearEntry, m_clearEntry).toBool();
    m_learnLists = file.value(kLearnLists, m_learnLists).toBool();
    m_refuseUnsteady = file.value(kRefuseUnsteady, m_refuseUnsteady).toBool();
    m_unattended = file.value(kUnattended, m_unattended).toBool();
    m_previewPosition = pointOf(file, kPreviewPosition);
    m_ipCameraPosition = pointOf(file, kIpCameraPosition);
    // A value that is no number keeps the default.
    bool ok = false;
    if (const int days = file.value(kOpenDays).toInt(&ok); ok)
        setOpenWeighingDays(days);
    if (const int days = file.value(kTareAge).toInt(&ok); ok)
        setStoredTareMaxAge(days);
    if (const int ms = file.value(kHoldTime).toInt(&ok); ok)
        setHoldTimeMs(ms);
    if (const int kg = file.value(kEmptyWeight).toInt(&ok); ok)
        setEmptyPlatformWeight(kg);
    if (const int ms = file.value(kReplyTimeout).toInt(&ok); ok)
        setReplyTimeoutMs(ms);
}

StoreResult OperatorSettings::store(const QString &path) const
{
    QSettings file(path, QSettings::IniFormat);
    file.setValue(kClearEntry, m_clearEntry);
    file.setValue(kLearnLists, m_learnLists);
    file.setValue(kRefuseUnsteady, m_refuseUnsteady);
    file.setValue(kUnattended, m_unattended);
    if (m_previewPosition)
        file.setValue(kPreviewPosition, *m_previewPosition);
    if (m_ipCameraPosition)
        file.setValue(kIpCameraPosition, *m_ipCameraPosition);
    file.setValue(kOpenDays, openWeighingDays());
    file.setValue(kTareAge, storedTareMaxAge());
    file.setValue(kHoldTime, holdTimeMs());
    file.setValue(kReplyTimeout, replyTimeoutMs());
    file.setValue(kEmptyWeight, emptyPlatformWeight());
    file.sync();
    if (file.status() != QSettings::NoError)
        return StoreResult::failed(u"Файл настроек рабочего места не записан: "_s + QFileInfo(path).fileName());
    return {};
}
