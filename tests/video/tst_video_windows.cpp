// The video windows bound in the main window: the panel, the preview, the
// source dialog, the photo slots, the camera icon and the enlargement.

#include "app/ProgramFixture.h"
#include "weighing/ui/WeightPanel.h"
#include "core/AccessGate.h"
#include "store/DayFiles.h"
#include "video/SyntheticSource.h"
#include "video/ui/CameraIcon.h"
#include "video/ui/EnlargementPanel.h"
#include "video/ui/PhotoSlots.h"
#include "video/ui/PreviewWindow.h"
#include "video/ui/VideoPanel.h"
#include "weighing/ui/CurrentCardFrame.h"
#include "weighing/ui/DataEntryFrame.h"

#include <QComboBox>
#include <QFileInfo>
#include <QImageReader>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(9, 30));

template<typename T>
T *openDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<T *>(w); d && d->isVisible())
            return d;
    for (QWidget *w : QApplication::allWidgets())
        if (auto *d = qobject_cast<T *>(w); d && d->isVisible())
            return d;
    return nullptr;
}

} // namespace

class TestVideoWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_p;

    void start(std::unique_ptr<CaptureSource> capture)
    {
        m_p = std::make_unique<ProgramFixture>(kNow, new AbsentPort, std::move(capture));
        m_p->build();
        m_p->login();
        m_p->weighing->setTerminalConnected(true);
        m_p->window->openPurpose(AccessGate::UsbCapture);
    }
    QPushButton *button(const QString &caption) { return m_p->window->videoPanel()->button(caption); }

private slots:
    void cleanup() { m_p.reset(); }

    void noCameraThenTestPicture()
    {
        // The machine's own video input: there is none here.
        start(nullptr);
        VideoPanel *panel = m_p->window->videoPanel();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->windowTitle(), u"Видеозахват USB/PCI"_s);
        for (const QString &c : {u"Включить"_s, u"Выключить"_s, u"Источник"_s, u"Формат"_s, u"Фото"_s, u"Выход"_s})
            QVERIFY2(button(c), qPrintable(c));

        // "Источник" does nothing while the video is off.
        QTest::mouseClick(button(u"Источник"_s), Qt::LeftButton);
        QVERIFY(!openDialog<QInputDialog>());

        QTest::mouseClick(button(u"Включить"_s), Qt::LeftButton);
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = openDialog<QMessageBox>()) != nullptr);
        QCOMPARE(box->text(), u"Unable to capture video."_s);
        QCOMPARE(box->icon(), QMessageBox::Critical);
        box->accept();
        PreviewWindow *preview = panel->preview();
        QVERIFY(preview->isVisible());
        QCOMPARE(preview->windowTitle(), u"WinCap видеокамера"_s);
        QVERIFY(preview->windowFlags() & Qt::WindowStaysOnTopHint);
        // Beside the weights, not over them, whole on the screen.
        const QWidget *weights = m_p->window->weightPanel();
        const auto besideWeights = [&] {
            return !preview->frameGeometry().intersects(QRect(weights->mapToGlobal(QPoint(0, 0)), weights->size()))
                && preview->screen()->availableGeometry().contains(preview->frameGeometry());
        };
        QVERIFY(besideWeights());
        QCOMPARE(m_p->window->cameraIcon()->shownPicture(), 2);

        // "Фото" finds no frame: nothing written.
        QTest::mouseClick(button(u"Фото"_s), Qt::LeftButton);
        m_p->program->video().store().waitForDone();
        QVERIFY(!QFile::exists(m_p->context->MonthDataFolder() + u".jpg"_s));

        // "Источник": the devices, then the test picture, last.
        QTest::mouseClick(button(u"Источник"_s), Qt::LeftButton);
        auto *dialog = openDialog<QInputDialog>();
        QVERIFY(dialog);
        QCOMPARE(dialog->comboBoxItems().last(), u"Тестовое изображение"_s);
        dialog->setTextValue(u"Тестовое изображение"_s);
        dialog->accept();
        // The preview takes the test picture's size.
        QTRY_COMPARE(preview->picture()->size(), QSize(640, 480));
        QCOMPARE(preview->size(), QSize(640 + 13, 480 + 40));
        QVERIFY(besideWeights());

        // "Формат": a larger resolution, the preview follows.
        QTest::mouseClick(button(u"Формат"_s), Qt::LeftButton);
        dialog = openDialog<QInputDialog>();
        QVERIFY(dialog);
        dialog->setTextValue(u"320 x 240"_s);
        dialog->accept();
        QTRY_COMPARE(preview->picture()->size(), QSize(320, 240));

        // "Записать": the photo beside the day file, in the first slot.
        m_p->weighing->selectOperationType(u"Разгрузка"_s);
        m_p->weighing->setTerminalWeight(30100);
        m_p->weighing->UpdateLiveWeights();
        QTest::mouseClick(m_p->window->dataEntryFrame()->storeButton(), Qt::LeftButton);
        const qint32 id = m_p->weighing->shownCard().id;
        QVERIFY(id != 0);
        m_p->program->video().store().waitForDone();
        const QString photo = QFileInfo(m_p->days->todayPath()).absolutePath() + u'/' + QString::number(id) + u".jpg"_s;
        QCOMPARE(QImageReader(photo).size(), QSize(320, 240));
        auto *photoSlots = m_p->window->currentCardFrame()->findChild<PhotoSlots *>();
        QVERIFY(photoSlots);
        QVERIFY(!photoSlots->showsPlaceholder(0));
        QVERIFY(photoSlots->showsPlaceholder(1));

        // A click enlarges; a click on any slot while open only closes it.
        EnlargementPanel *enlarged = m_p->window->enlargementPanel();
        QTest::mouseClick(photoSlots->slotLabel(0), Qt::LeftButton);
        QVERIFY(enlarged->isVisibleTo(m_p->window.get()));
        QCOMPARE(enlarged->title(), photo);
        QTest::mouseClick(photoSlots->slotLabel(1), Qt::LeftButton);
        QVERIFY(!enlarged->isVisibleTo(m_p->window.get()));

        // The camera icon: a click hides the preview, another shows it, a
        // double click switches off.
        CameraIcon *icon = m_p->window->cameraIcon();
        QTest::mouseClick(icon, Qt::LeftButton);
        QVERIFY(!preview->isVisible());
        QCOMPARE(icon->shownPicture(), 1);
        QTest::mouseClick(icon, Qt::LeftButton);
        QVERIFY(preview->isVisible());
        QTest::mouseDClick(icon, Qt::LeftButton);
        QCOMPARE(icon->shownPicture(), 0);
        QVERIFY(!preview->isVisible());
        QVERIFY(!m_p->program->video().VideoOn());

        // The close box switches off but leaves the icon.
        QTest::mouseClick(button(u"Включить"_s), Qt::LeftButton);
        QVERIFY(preview->isVisible());
        preview->close();
        QVERIFY(!m_p->program->video().VideoOn());
        QCOMPARE(icon->shownPicture(), 2);

        QTest::mouseClick(button(u"Выход"_s), Qt::LeftButton);
        QVERIFY(!panel->isVisible());
    }
};

QTEST_MAIN(TestVideoWindows)
#include "tst_video_windows.moc"
