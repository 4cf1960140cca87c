// The constants of a pick-list value and the additional parameters of the
// card being entered, as the permissions let them be changed.

#include "core/AppContext.h"
#include "store/NamePlusFile.h"
#include "store/ConstantsEditor.h"
#include "store/ParamExtras.h"
#include "store/PickListFile.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(14, 5, 30));

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestConstantsEditor : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Clock m_clock;
    std::unique_ptr<AppContext> m_context;
    ExtraNames m_names;
    std::unique_ptr<ParamExtras> m_extras;
    std::unique_ptr<ConstantsEditor> m_editor;

    QString base() const { return m_context->folders.BaseFolder; }
    QString list(int p) const { return pickListPath(base(), p); }
    // The sender list with one value, "Карьер", and its constants.
    void addSender()
    {
        m_extras->constantValues[2] = ParamConstants();
        m_extras->constantValues[2][0] = u"Карьер"_s;
        m_extras->constantValues[2][1] = u"00017"_s;
        m_extras->constantValues[2][14] = u"7701234567"_s;
        QVERIFY(m_extras->AddPickListEntry(2, u"Карьер"_s));
    }
    void permit(std::array<qint32, 6> flags) { m_context->settings.EditPermissions = flags; }

private slots:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_clock.setNow(kNow);
        m_context = std::make_unique<AppContext>(m_clock, Folders(m_dir.path()));
        QVERIFY(m_context->LoadOrCreateSettings());
        m_names = ExtraNames();
        m_names.applyDefaults(m_context->settings.ParamNames);
        m_extras = std::make_unique<ParamExtras>(m_names, base());
        QVERIFY(m_extras->saveNames());
        QVERIFY(m_extras->WritePickListHeaders());
        m_editor = std::make_unique<ConstantsEditor>(*m_context, *m_extras);
        permit({1, 1, 1, 0, 0, 0});
    }

    void openingAndLabels()
    {
        addSender();
        m_extras->extraValues[2][1] = u"  ул. Луговая, 5 "_s;
        QVERIFY(!m_editor->OpenConstantsEditor(2, u"   "_s));
        QVERIFY(!m_editor->visible());

        QVERIFY(m_editor->OpenConstantsEditor(2, u" Карьер "_s));
        QVERIFY(m_editor->visible());
        QVERIFY(m_editor->EntryFound() && m_editor->framesVisible());
        QCOMPARE(m_editor->listButtonCaption(), u"Удалить из списка"_s);
        QVERIFY(!m_editor->listButtonVisible()); // [5] off
        QVERIFY(!m_editor->namesEditable() && !m_editor->constantValuesEditable());
        QCOMPARE(m_editor->constantLabel(5), u"ДК(2,5)"_s);
        QCOMPARE(m_editor->extraLabel(10), u"ДП(2,10)"_s);
        QCOMPARE(m_editor->constantValue(0), u"Карьер"_s);
        QCOMPARE(m_editor->constantName(0), m_context->settings.ParamNames[2]);
        QCOMPARE(m_editor->constantName(14), u"ИНН"_s);
        QCOMPARE(m_editor->constantValue(14), u"7701234567"_s);
        QCOMPARE(m_editor->extraName(1), u"Адрес погрузки"_s);
        QCOMPARE(m_editor->extraValue(1), u"ул. Луговая, 5"_s);

        // Not in the list: frames hidden, the button offers to add it.
        permit({1, 1, 1, 1, 1, 1});
        QVERIFY(m_editor->OpenConstantsEditor(3, u"Стройка"_s));
        QVERIFY(!m_editor->EntryFound() && !m_editor->framesVisible());
        QVERIFY(m_editor->listButtonVisible());
        QCOMPARE(m_editor->listButtonCaption(), u"Добавить в список"_s);
        QVERIFY(m_editor->namesEditable() && m_editor->constantValuesEditable());
        QCOMPARE(m_editor->constantValue(1), QString());
    }

    void closingKeepsWhatThePermissionsAllow()
    {
        addSender();
        const QByteArray listBefore = readAll(list(2));
        const QByteArray namesBefore = readAll(namePlusPath(base()));

        // [3] and [4] off: only the additional values of a found value.
        QVERIFY(m_editor->OpenConstantsEditor(2, u"Карьер"_s));
        m_editor->setConstantName(14, u"ИНН/КПП"_s);
        m_editor->setConstantValue(14, u"0000"_s);
        m_editor->setExtraName(1, u"Откуда"_s);
        m_editor->setExtraValue(1, u"ул. Полевая"_s);
        m_editor->CloseConstantsEditor();
        QVERIFY(!m_editor->visible());
        QCOMPARE(m_extras->extraValues[2][1], u"ул. Полевая"_s);
        QCOMPARE(m_names.extraNames[2][1], u"Адрес погрузки"_s);
        QCOMPARE(m_names.constantNames[2][14], u"ИНН"_s);
        QCOMPARE(readAll(list(2)), listBefore);
        QCOMPARE(readAll(namePlusPath(base())), namesBefore);

        // A value not in the list stores nothing, whatever was typed.
        permit({1, 1, 1, 1, 1, 1});
        QVERIFY(m_editor->OpenConstantsEditor(2, u"Щебзавод"_s));
        m_editor->setExtraValue(1, u"не сохранится"_s);
        m_editor->setExtraName(1, u"не сохранится"_s);
        m_editor->CloseConstantsEditor();
        QCOMPARE(m_extras->extraValues[2][1], u"ул. Полевая"_s);
        QCOMPARE(readAll(list(2)), listBefore);
        QCOMPARE(readAll(namePlusPath(base())), namesBefore);

        // [3] on: the names reach the name file and the headers.
        permit({1, 1, 1, 1, 0, 0});
        QVERIFY(m_editor->OpenConstantsEditor(2, u"Карьер"_s));
        m_editor->setConstantName(14, u"ИНН/КПП"_s);
        m_editor->setConstantValue(14, u"0000"_s);
        m_editor->setExtraName(1, u"Откуда"_s);
        m_editor->CloseConstantsEditor();
        QCOMPARE(PickListFile(list(2)).header()[14], u"ИНН/КПП"_s);
        QCOMPARE(PickListFile(list(2)).header()[0], m_context->settings.ParamNames[2]);
        QCOMPARE(PickListFile(list(2)).find(u"Карьер"_s).value()[14], u"7701234567"_s);
        ExtraNames loaded;
        loadExtraNames(loaded, base());
        QCOMPARE(loaded.extraNames[2][1], u"Откуда"_s);

        // [4] on: the constant values reach the entry.
        permit({1, 1, 1, 0, 1, 0});
        QSignalSpy changed(m_editor.get(), &ConstantsEditor::pickListChanged);
        QVERIFY(m_editor->OpenConstantsEditor(2, u"Карьер"_s));
        m_editor->setConstantValue(14, u"0000"_s);
        m_editor->CloseConstantsEditor();
        QCOMPARE(PickListFile(list(2)).find(u"Карьер"_s).value()[14], u"0000"_s);
        QCOMPARE(PickListFile(list(2)).values(), QStringList{u"Карьер"_s});
        QCOMPARE(changed.size(), 1);
    }

    void addingAndRemoving()
    {
        addSender();
        permit({1, 1, 1, 0, 0, 1});
        QSignalSpy changed(m_editor.get(), &ConstantsEditor::pickListChanged);
        QVERIFY(m_editor->OpenConstantsEditor(2, u" Щебзавод "_s));
        QVERIFY(m_editor->listButtonVisible());
        m_editor->setConstantValue(1, u"00018"_s);
        m_editor->setExtraValue(2, u"10.12.2026"_s);
        m_editor->pressListButton();
        QVERIFY(m_editor->EntryFound() && m_editor->framesVisible());
        QCOMPARE(m_editor->listButtonCaption(), u"Удалить из списка"_s);
        QVERIFY(!m_editor->listButtonVisible());
        QVERIFY(m_editor->visible());
        QCOMPARE(PickListFile(list(2)).values(), QStringList({u"Карьер"_s, u"Щебзавод"_s}));
        QCOMPARE(PickListFile(list(2)).find(u"Щебзавод"_s).value()[1], u"00018"_s);
        QCOMPARE(m_extras->extraValues[2][2], u"10.12.2026"_s);
        QCOMPARE(changed.takeFirst().at(0).toInt(), 2);
        // Hidden until the next opening: a second press does nothing.
        m_editor->pressListButton();
        QCOMPARE(PickListFile(list(2)).values().size(), 2);

        // The entry removed is the one found, even when row 0 was typed over.
        permit({1, 1, 1, 0, 1, 1});
        QVERIFY(m_editor->OpenConstantsEditor(2, u"Карьер"_s));
        QCOMPARE(m_editor->listButtonCaption(), u"Удалить из списка"_s);
        m_editor->setConstantValue(0, u"Щебзавод"_s);
        m_editor->pressListButton();
        QVERIFY(!m_editor->visible());
        QVERIFY(!m_editor->EntryFound());
        QCOMPARE(PickListFile(list(2)).values(), QStringList{u"Щебзавод"_s});
        QCOMPARE(changed.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestConstantsEditor)
#include "tst_constants_editor.moc"
