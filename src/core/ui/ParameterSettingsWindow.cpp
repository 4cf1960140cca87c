#include "ParameterSettingsWindow.h"

#include "FolderDialog.h"
#include "ProgramIcon.h"
#include "core/ParameterSettingsModel.h"
#include "core/SettingsFile.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Legend colours of the name rows.
const QColor kFunctionalColour(255, 255, 192);
const QColor kFreeColour(192, 255, 192);

QLineEdit *textField(const QString &name, QWidget *parent, int maxLength = SettingsLayout::kTextMax)
{
    auto *field = new QLineEdit(parent);
    field->setAccessibleName(name);
    // One character is one stored byte: what fits the field fits its record.
    field->setMaxLength(maxLength);
    return field;
}

QPushButton *button(const QString &caption, const QString &frame, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setAccessibleName(caption);
    b->setAccessibleDescription(frame);
    return b;
}

QLabel *legendMark(const QColor &colour, QWidget *parent)
{
    auto *mark = new QLabel(parent);
    mark->setFixedSize(16, 16);
    mark->setAutoFillBackground(true);
    QPalette p = mark->palette();
    p.setColor(QPalette::Window, colour);
    mark->setPalette(p);
    mark->setFrameShape(QFrame::Box);
    return mark;
}

} // namespace

ParameterSettingsWindow::ParameterSettingsWindow(ParameterSettingsModel &model, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_model(model)
    , m_chooseFolder(&chooseFolder)
{
    setWindowTitle(title());
    setWindowIcon(programIcon());

    // Operators.
    const QString operatorsTitle = u"Операторы весов"_s;
    auto *operators = new QGroupBox(operatorsTitle, this);
    operators->setAccessibleName(operatorsTitle);
    auto *opGrid = new QGridLayout(operators);
    opGrid->addWidget(new QLabel(u"Имя оператора"_s, operators), 0, 1);
    opGrid->addWidget(new QLabel(u"Код доступа"_s, operators), 0, 2);
    for (int i = 0; i < ParameterSettingsModel::OperatorSlots; ++i) {
        const QString n = QString::number(i);
        auto *number = new QLabel(n, operators);
        m_operatorNames[size_t(i)] = textField(u"Имя оператора "_s + n, operators);
        m_operatorCodes[size_t(i)] = textField(u"Код доступа "_s + n, operators);
        opGrid->addWidget(number, i + 1, 0);
        opGrid->addWidget(m_operatorNames[size_t(i)], i + 1, 1);
        opGrid->addWidget(m_operatorCodes[size_t(i)], i + 1, 2);
        connect(m_operatorNames[size_t(i)], &QLineEdit::textEdited, this,
                [this, i](const QString &t) { m_model.setOperatorName(i, t); });
        connect(m_operatorCodes[size_t(i)], &QLineEdit::textEdited, this,
                [this, i](const QString &t) { m_model.setOperatorCode(i, t); });
    }
    opGrid->setColumnStretch(1, 2);
    opGrid->setColumnStretch(2, 1);
    m_saveOperators = button(u"Изменить"_s, operatorsTitle, operators);
    opGrid->addWidget(m_saveOperators, ParameterSettingsModel::OperatorSlots + 1, 2);

    // Engineer's code: shown as typed, the window is reached only with it.
    const QString codeTitle = u"Код инженерного доступа"_s;
    auto *code = new QGroupBox(codeTitle, this);
    code->setAccessibleName(codeTitle);
    auto *codeGrid = new QGridLayout(code);
    m_oldCode = textField(u"Старый"_s, code);
    m_newCode = textField(u"Новый"_s, code);
    m_confirmCode = textField(u"Подтверждение"_s, code);
    int column = 0;
    for (QLineEdit *field : {m_oldCode, m_newCode, m_confirmCode}) {
        auto *label = new QLabel(field->accessibleName(), code);
        label->setBuddy(field);
        codeGrid->addWidget(label, 0, column);
        codeGrid->addWidget(field, 1, column++);
    }
    m_changeCode = button(u"Изменить"_s, codeTitle, code);
    codeGrid->addWidget(m_changeCode, 1, column);
    for (int c = 0; c < column; ++c)
        codeGrid->setColumnStretch(c, 1);
    connect(m_oldCode, &QLineEdit::textEdited, &m_model, &ParameterSettingsModel::setOldCode);
    connect(m_newCode, &QLineEdit::textEdited, &m_model, &ParameterSettingsModel::setNewCode);
    connect(m_confirmCode, &QLineEdit::textEdited, &m_model, &ParameterSettingsModel::setConfirmCode);

    // Result folder, and the rebuild of the files written into it.
    const QString resultTitle = u"Хранение результатов работы весов"_s;
    auto *result = new QGroupBox(resultTitle, this);
    result->setAccessibleName(resultTitle);
    auto *resultGrid = new QGridLayout(result);
    m_resultFolder = textField(u"Путь и имя файла:"_s, result);
    m_resultFolder->setReadOnly(true);
    m_resultFolder->setMinimumWidth(260);
    auto *resultLabel = new QLabel(u"Путь и имя файла:"_s, result);
    resultLabel->setBuddy(m_resultFolder);
    m_chooseResult = button(u"Изменить"_s, resultTitle, result);
    m_rebuild = button(u"Пересоздать файлы обмена…"_s, resultTitle, result);
    resultGrid->addWidget(resultLabel, 0, 0);
    resultGrid->addWidget(m_resultFolder, 0, 1);
    resultGrid->addWidget(m_chooseResult, 0, 2);
    resultGrid->addWidget(m_rebuild, 1, 1, 1, 2, Qt::AlignRight);

    // Event log.
    const QString logTitle = u"Журнал событий"_s;
    auto *log = new QGroupBox(logTitle, this);
    log->setAccessibleName(logTitle);
    auto *logGrid = new QGridLayout(log);
    m_logPath = textField(u"Путь и имя файла"_s, log, SettingsLayout::kVariantTextMax);
    m_logPath->setReadOnly(true);
    m_logPath->setMinimumWidth(260);
    auto *logLabel = new QLabel(u"Путь и имя файла"_s, log);
    logLabel->setBuddy(m_logPath);
    m_chooseLog = button(u"Изменить"_s, logTitle, log);
    m_clearLog = button(u"Очистить журнал"_s, logTitle, log);
    logGrid->addWidget(logLabel, 0, 0);
    logGrid->addWidget(m_logPath, 0, 1);
    logGrid->addWidget(m_chooseLog, 0, 2);
    logGrid->addWidget(m_clearLog, 1, 2);

    // Parameter names.
    const QString namesTitle = u"Название Основных Параметров и функциональное описание"_s;
    auto *names = new QGroupBox(namesTitle, this);
    names->setAccessibleName(namesTitle);
    auto *namesGrid = new QGridLayout(names);
    namesGrid->setVerticalSpacing(2);
    for (int i = 0; i < ParameterSettingsModel::ParamCount; ++i) {
        auto *label = new QLabel(ParameterSettingsModel::rowLabel(i), names);
        label->setAutoFillBackground(true);
        QPalette p = label->palette();
        p.setColor(QPalette::Window,
                   ParameterSettingsModel::isFunctional(i) ? kFunctionalColour : kFreeColour);
        label->setPalette(p);
        QLineEdit *field = textField(label->text(), names);
        label->setBuddy(field);
        field->setAccessibleDescription(ParameterSettingsModel::rowDescription(i));
        field->setMinimumWidth(190);
        m_paramNames[size_t(i)] = field;
        namesGrid->addWidget(label, i, 0);
        namesGrid->addWidget(field, i, 1);
        namesGrid->addWidget(new QLabel(ParameterSettingsModel::rowDescription(i), names), i, 2);
        connect(field, &QLineEdit::textEdited, this, [this, i](const QString &t) { m_model.setParamName(i, t); });
    }
    auto *legend = new QHBoxLayout;
    legend->addWidget(legendMark(kFunctionalColour, names));
    legend->addWidget(new QLabel(u"-функциональные параметры"_s, names));
    legend->addSpacing(16);
    legend->addWidget(legendMark(kFreeColour, names));
    legend->addWidget(new QLabel(u"-произвольные параметры"_s, names));
    legend->addStretch();
    m_saveNames = button(u"Изменить"_s, namesTitle, names);
    legend->addWidget(m_saveNames);
    namesGrid->addLayout(legend, ParameterSettingsModel::ParamCount, 0, 1, 3);
    namesGrid->setColumnStretch(1, 1);

    m_reset = button(u"Все настройки по умолчанию"_s, title(), this);
    m_exit = button(u"Выход"_s, title(), this);

    auto *left = new QVBoxLayout;
    left->addWidget(operators);
    left->addWidget(code);
    left->addWidget(result);
    left->addWidget(log);
    left->addStretch();
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_reset);
    bottom->addStretch();
    bottom->addWidget(m_exit);
    left->addLayout(bottom);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(names, 1);

    connect(m_saveOperators, &QPushButton::clicked, this, [this] { showMessage(m_model.SaveOperators()); });
    connect(m_changeCode, &QPushButton::clicked, this, [this] { showMessage(m_model.ChangeEngineerCode()); });
    connect(m_chooseResult, &QPushButton::clicked, this,
            [this] { showMessage(m_model.ChooseResultFolder(m_chooseFolder(this))); });
    connect(m_rebuild, &QPushButton::clicked, this, &ParameterSettingsWindow::exchangeRebuildRequested);
    connect(m_saveNames, &QPushButton::clicked, this, [this] { showMessage(m_model.SaveParamNames()); });
    connect(m_chooseLog, &QPushButton::clicked, this,
            [this] { showMessage(m_model.ChooseLogFolder(m_chooseFolder(this))); });
    connect(m_clearLog, &QPushButton::clicked, this, [this] { showMessage(m_model.ClearLog()); });
    connect(m_reset, &QPushButton::clicked, this, [this] { showMessage(m_model.ResetAllSettings()); });
    connect(m_exit, &QPushButton::clicked, this, &QWidget::hide);
    connect(&m_model, &ParameterSettingsModel::fieldsChanged, this, &ParameterSettingsWindow::sync);
    sync();
}

QString ParameterSettingsWindow::title()
{
    return u"Настройки параметров"_s;
}

void ParameterSettingsWindow::sync()
{
    auto put = [](QLineEdit *field, const QString &text) {
        if (field->text() != text)
            field->setText(text);
    };
    for (int i = 0; i < ParameterSettingsModel::OperatorSlots; ++i) {
        put(m_operatorNames[size_t(i)], m_model.operatorName(i));
        put(m_operatorCodes[size_t(i)], m_model.operatorCode(i));
    }
    put(m_oldCode, m_model.oldCode());
    put(m_newCode, m_model.newCode());
    put(m_confirmCode, m_model.confirmCode());
    put(m_resultFolder, m_model.resultFolderText());
    put(m_logPath, m_model.logPathText());
    for (int i = 0; i < ParameterSettingsModel::ParamCount; ++i)
        put(m_paramNames[size_t(i)], m_model.paramName(i));
}

void ParameterSettingsWindow::showMessage(const QString &text)
{
    if (text.isEmpty())
        return;
    m_lastMessage = text;
    QMessageBox::information(this, title(), text);
}
