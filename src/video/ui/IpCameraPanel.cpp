#include "IpCameraPanel.h"

#include "BrowserWindow.h"
#include "core/ui/WindowPlace.h"
#include "video/IpCameraControl.h"
#include "core/StoreResult.h"
#include "video/VideoPhotos.h"

#include <QCloseEvent>
#include <unistd.h>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

IpCameraPanel::IpCameraPanel(IpCameraControl &camera, VideoPhotos &video, QWidget *mainWindow,
                             const QWidget *keepClear)
    : QWidget(mainWindow, Qt::Window)
    , m_camera(camera)
    , m_video(video)
    , m_mainWindow(mainWindow)
    , m_keepClear(keepClear)
    , m_list(new QComboBox(this))
    , m_commandLabel(new QLabel(u"Команда браузеру"_s, this))
    , m_command(new QLineEdit(this))
    , m_ok(new QPushButton(u"Ok"_s, this))
{
    setWindowTitle(u"Видеозахват IP"_s);
    setAccessibleName(windowTitle());
    using F = IpCameraControl;
    auto *grid = new QGridLayout;
    int row = 0;
    const auto label = [this, grid](const QString &caption, int r, int c) {
        auto *l = new QLabel(caption, this);
        grid->addWidget(l, r, c);
        return l;
    };
    const auto edit = [this](int f, const QString &name) {
        auto *e = new QLineEdit(this);
        e->setAccessibleName(name);
        m_fields[size_t(f)] = e;
        connect(e, &QLineEdit::textEdited, this, [this, f](const QString &text) { m_camera.setField(f, text); });
        return e;
    };

    m_list->setEditable(true);
    m_list->addItems({u"1"_s, u"2"_s, u"3"_s});
    m_list->setAccessibleName(u"Камера:"_s);
    label(u"Камера:"_s, row, 0)->setBuddy(m_list);
    grid->addWidget(m_list, row++, 1);
    connect(m_list, &QComboBox::textActivated, this, [this](const QString &text) {
        if (!m_following)
            m_camera.chooseCamera(text);
    });
    connect(m_list, &QComboBox::editTextChanged, this, [this](const QString &text) {
        if (!m_following)
            m_camera.setListText(text);
    });

    for (const auto &[f, caption] : {std::pair{F::Login, u"Имя камеры"_s}, std::pair{F::Url, u"Адрес IP-камеры"_s},
                                     std::pair{F::Description, u"Описание камеры"_s}}) {
        QLineEdit *e = edit(f, caption);
        label(caption, row, 0)->setBuddy(e);
        grid->addWidget(e, row++, 1, 1, 2);
    }
    struct Pair
    {
        QString caption, first, second;
        int a, b;
    };
    const Pair pairs[] = {
        {u"Размер окна браузера, twip"_s, u"Высота"_s, u"Ширина"_s, F::BrowserHeight, F::BrowserWidth},
        {u"Смещение  окна браузера, twip"_s, u"Вправо"_s, u"Вниз"_s, F::BrowserShiftRight, F::BrowserShiftDown},
        {u"Размер фото, twip"_s, u"Высота"_s, u"Ширина"_s, F::PhotoHeight, F::PhotoWidth},
        {u"Смещение  фото, twip"_s, u"Вправо"_s, u"Вниз"_s, F::PhotoShiftRight, F::PhotoShiftDown},
    };
    for (const Pair &p : pairs) {
        label(p.first, row, 1);
        label(p.second, row++, 2);
        QLineEdit *a = edit(p.a, p.caption + u" "_s + p.first);
        label(p.caption, row, 0)->setBuddy(a);
        grid->addWidget(a, row, 1);
        grid->addWidget(edit(p.b, p.caption + u" "_s + p.second), row++, 2);
    }
    m_command->setAccessibleName(m_commandLabel->text());
    m_commandLabel->setBuddy(m_command);
    m_ok->setObjectName(u"Ok"_s);
    m_ok->setAccessibleName(u"Ok"_s);
    grid->addWidget(m_commandLabel, row, 0);
    grid->addWidget(m_command, row, 1);
    grid->addWidget(m_ok, row++, 2);
    connect(m_command, &QLineEdit::textEdited, &m_camera, &IpCameraControl::setCommandText);
    connect(m_command, &QLineEdit::returnPressed, &m_camera, &IpCameraControl::ok);
    connect(m_ok, &QPushButton::clicked, &m_camera, &IpCameraControl::ok);

    auto *buttons = new QHBoxLayout;
    const auto add = [this, buttons](const QString &caption, auto action) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(caption);
        b->setAccessibleName(caption);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, action);
    };
    add(u"Включить"_s, [this] { m_video.switchOnIp(); });
    add(u"Выключить"_s, [this] { m_video.switchOffIp(); });
    add(u"Фото"_s, [this] { m_video.ipPanelPhoto(); });
    add(u"Сохранить"_s, [this] { said(m_camera.save()); });
    add(u"Подогнать"_s, [this] { said(m_camera.fit()); });
    add(u"Без подгонки"_s, [this] { m_camera.noFit(m_mainWindow ? m_mainWindow->size() : size()); });
    add(u"Выход"_s, [this] { m_camera.hidePanel(); });

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    m_camera.setBrowser(this);
    connect(&m_camera, &IpCameraControl::changed, this, &IpCameraPanel::follow);
    follow();
}

IpCameraPanel::~IpCameraPanel()
{
    // The camera outlives the windows; it must not reach a deleted one.
    m_camera.setBrowser(nullptr);
}

void IpCameraPanel::open()
{
    m_camera.openPanel();
    raise();
    activateWindow();
}

QPushButton *IpCameraPanel::button(const QString &caption) const
{
    return findChild<QPushButton *>(caption);
}

void IpCameraPanel::said(const StoreResult &stored)
{
    if (!stored)
        QMessageBox::warning(this, windowTitle(), stored.reason);
}

void IpCameraPanel::follow()
{
    m_following = true;
    setWindowTitle(m_camera.panelCaption().isEmpty() ? u"Видеозахват IP"_s : m_camera.panelCaption());
    if (m_list->currentText() != m_camera.listText())
        m_list->setEditText(m_camera.listText());
    for (int f = 0; f < IpCameraControl::FieldCount; ++f)
        if (m_fields[size_t(f)]->text() != m_camera.field(f))
            m_fields[size_t(f)]->setText(m_camera.field(f));
    if (m_command->text() != m_camera.commandText())
        m_command->setText(m_camera.commandText());
    m_commandLabel->setVisible(m_camera.commandVisible());
    m_command->setVisible(m_camera.commandVisible());
    m_ok->setVisible(m_camera.commandVisible());
    setVisible(m_camera.panelVisible());
    m_following = false;
}

void IpCameraPanel::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_camera.hidePanel();
}

QString IpCameraPanel::browserRefusal()
{
    // The page's engine aborts the whole process when started by root with
    // its sandbox on: the program would die with the day's work on screen.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")
        && !qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(u"--no-sandbox"_s))
        return u"Страница IP камеры не показывается: программа запущена от имени root"_s;
    return {};
}

BrowserWindow *IpCameraPanel::browser()
{
    if (!m_browser) {
        if (const QString reason = browserRefusal(); !reason.isEmpty()) {
            if (!m_refusalSaid) {
                m_refusalSaid = true;
                emit browserUnavailable(reason);
            }
            return nullptr;
        }
        m_browser = new BrowserWindow(m_camera, m_mainWindow);
    }
    return m_browser;
}

void IpCameraPanel::apply(const BrowserState &state)
{
    // Hiding a window never made does not make it.
    if (m_browser || state.visible)
        if (BrowserWindow *b = browser())
            b->apply(state);
}

void IpCameraPanel::navigate(const QString &address)
{
    if (BrowserWindow *b = browser())
        b->navigate(address);
}

void IpCameraPanel::stop()
{
    if (m_browser)
        m_browser->stop();
}

QImage IpCameraPanel::CaptureWindowRegion(const QRect &rect)
{
    return m_browser ? m_browser->CaptureWindowRegion(rect) : QImage();
}

QPoint IpCameraPanel::placeFor(const QSize &client, std::optional<QPoint> remembered)
{
    // With its frame, once the window system has given it one.
    const QSize window = m_browser ? client + m_browser->frameGeometry().size() - m_browser->size() : client;
    return openingPlace(window, remembered, m_keepClear);
}
