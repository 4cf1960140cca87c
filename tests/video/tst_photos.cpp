// The photos of cards through the program as main() builds it, with the
// synthetic source in place of a camera, and the real source on a machine
// without one.

#include "app/Program.h"
#include "common/AbsentPort.h"
#include "video/CameraSource.h"
#include "video/PhotoStore.h"
#include "video/SyntheticSource.h"

#include <QDir>
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Frame = CardPhotos::Frame;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 0));

QImage decoded(const QString &path)
{
    QImageReader reader(path);
    if (reader.format() != "jpeg")
        return {};
    return reader.read();
}

} // namespace

class TestPhotos : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    Clock m_clock;
    std::unique_ptr<Program> m_program;

    std::unique_ptr<Program> program(std::unique_ptr<CaptureSource> source)
    {
        auto p = std::make_unique<Program>(m_clock, Folders(m_dir->path()),
                                           Program::Outside{new AbsentPort, nullptr, std::move(source)});
        p->start();
        p->weighing().setTerminalConnected(true);
        return p;
    }
    void weigh(Program &p, double weight)
    {
        p.weighing().setTerminalWeight(weight);
        p.weighing().UpdateLiveWeights();
    }
    // The files of a folder, so any left-over temporary shows.
    static QStringList files(const QString &folder, const QString &filter)
    {
        return QDir(folder).entryList({filter}, QDir::Files | QDir::Hidden, QDir::Name);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_clock.setNow(kNow);
    }

    void jpegIsWrittenWhole()
    {
        const QString path = m_dir->filePath(u"5.jpg"_s);
        QImage frame(320, 240, QImage::Format_RGB32);
        frame.fill(Qt::red);
        QVERIFY(PhotoStore::writeJpeg(path, frame).isEmpty());
        QCOMPARE(decoded(path).size(), QSize(320, 240));
        // Replacing keeps one file; no temporary beside it.
        frame.fill(Qt::blue);
        QVERIFY(PhotoStore::writeJpeg(path, frame).isEmpty());
        QCOMPARE(files(m_dir->path(), u"5*"_s), QStringList{u"5.jpg"_s});
        QVERIFY(qBlue(decoded(path).pixel(10, 10)) > 200);
        // A folder that does not exist: the reason, and no file.
        QVERIFY(!PhotoStore::writeJpeg(m_dir->filePath(u"none/6.jpg"_s), frame).isEmpty());
        QVERIFY(!PhotoStore::writeJpeg(path, QImage()).isEmpty());
    }

    void firstAndSecondWeighing()
    {
        m_program = program(std::make_unique<SyntheticSource>());
        Program &p = *m_program;
        VideoPhotos &v = p.video();
        const QString folder = p.context().MonthDataFolder();

        // Off: the card is stored, no photo written, the slots stay empty.
        p.weighing().selectOperationType(u"Разгрузка"_s);
        weigh(p, 30100);
        QVERIFY(p.weighing().StoreNewCard());
        const qint32 first = p.weighing().shownCard().id;
        v.store().waitForDone();
        QVERIFY(files(folder, u"*.jpg"_s).isEmpty());
        QVERIFY(v.slot(Frame::CurrentCard, 0).image.isNull());

        // On: "{ID}.jpg" of the synthetic frame's size, nothing else.
        v.switchOnUsb();
        QVERIFY(v.VideoOn());
        QCOMPARE(v.icon(), VideoPhotos::Icon::OnWindowShown);
        QCOMPARE(p.context().settings.IpCameraNumber, 10);
        weigh(p, 28000);
        QVERIFY(p.weighing().StoreNewCard());
        const qint32 id = p.weighing().shownCard().id;
        QVERIFY(id != first);
        QCOMPARE(v.PhotoBaseName(), QString::number(id));
        // The slot shows the frame at once, while the file is still written.
        QCOMPARE(v.slot(Frame::CurrentCard, 0).image.size(), QSize(640, 480));
        QVERIFY(v.slot(Frame::CurrentCard, 1).image.isNull());
        v.store().waitForDone();
        const QString name = QString::number(id) + u".jpg"_s;
        QCOMPARE(files(folder, QString::number(id) + u"*"_s), QStringList{name});
        QCOMPARE(decoded(folder + name).size(), QSize(640, 480));
        QVERIFY(files(folder, u"*.bmp"_s).isEmpty());

        // Completing it: "{ID}_1.jpg" into the second slot.
        p.weighing().SetCompletionButtons(2);
        m_clock.advanceSeconds(300);
        weigh(p, 12000);
        QVERIFY(p.weighing().CompleteCard(Weighing::Kind::Tare));
        QVERIFY(!v.slot(Frame::CurrentCard, 0).image.isNull());
        QVERIFY(!v.slot(Frame::CurrentCard, 1).image.isNull());
        v.store().waitForDone();
        QCOMPARE(decoded(folder + QString::number(id) + u"_1.jpg"_s).size(), QSize(640, 480));

        // Enlarged on click; a click on any slot while open only closes it.
        v.clickSlot(Frame::CurrentCard, 1);
        QVERIFY(v.enlargementShown());
        QCOMPARE(v.enlargedCaption(), folder + QString::number(id) + u"_1.jpg"_s);
        v.clickSlot(Frame::CurrentCard, 0);
        QVERIFY(!v.enlargementShown());
        // A slot without a photo does not open the panel.
        p.video().showCardPhotos(Frame::ArchiveCard, folder, first);
        v.clickSlot(Frame::ArchiveCard, 0);
        QVERIFY(!v.enlargementShown());

        // Off again: "Фото" writes nothing.
        v.switchOffUsb();
        QCOMPARE(v.icon(), VideoPhotos::Icon::Off);
        const QStringList before = files(folder, u"*"_s);
        v.panelPhoto();
        v.store().waitForDone();
        QCOMPARE(files(folder, u"*"_s), before);
        m_program.reset();
    }

    void panelPhotoBeforeAnyWeighing()
    {
        m_program = program(std::make_unique<SyntheticSource>());
        VideoPhotos &v = m_program->video();
        v.switchOnUsb();
        v.panelPhoto();
        v.store().waitForDone();
        QCOMPARE(decoded(v.PhotoFolder() + u".jpg"_s).size(), QSize(640, 480));
        // A larger format: the photo follows it.
        v.setFormat(1);
        v.panelPhoto();
        v.store().waitForDone();
        QCOMPARE(decoded(v.PhotoFolder() + u".jpg"_s).size(), QSize(1280, 720));
        m_program.reset();
    }

    void archiveCardOfEarlierMonth()
    {
        m_clock.setNow(QDateTime(QDate(2026, 11, 30), QTime(17, 0)));
        m_program = program(std::make_unique<SyntheticSource>());
        Program &p = *m_program;
        const QString november = p.context().MonthDataFolder();
        p.video().switchOnUsb();
        p.weighing().selectOperationType(u"Разгрузка"_s);
        weigh(p, 30100);
        QVERIFY(p.weighing().StoreNewCard());
        const qint32 id = p.weighing().shownCard().id;
        p.video().store().waitForDone();
        QVERIFY(QFile::exists(november + QString::number(id) + u".jpg"_s));
        m_program.reset();

        m_clock.setNow(kNow);
        m_program = program(std::make_unique<SyntheticSource>());
        Program &q = *m_program;
        VideoPhotos &v = q.video();
        const QString december = q.context().MonthDataFolder();
        QVERIFY(december != november);
        v.switchOnUsb();
        q.archive().enter();
        QCOMPARE(q.archive().chooseDate(QDate(2026, 11, 30)), QString());
        q.archive().selectCard(1);
        QCOMPARE(q.archive().shownCard().id, id);
        QCOMPARE(v.slot(Frame::ArchiveCard, 0).path, november + QString::number(id) + u".jpg"_s);
        QCOMPARE(v.slot(Frame::ArchiveCard, 0).image.size(), QSize(640, 480));
        QVERIFY(v.slot(Frame::ArchiveCard, 1).image.isNull());

        weigh(q, 12000);
        QVERIFY(q.archive().CompleteArchiveCard(Weighing::Kind::Tare));
        const qint32 copy = q.weighing().shownCard().id;
        v.store().waitForDone();
        QCOMPARE(decoded(december + QString::number(copy) + u"_1.jpg"_s).size(), QSize(640, 480));
        QVERIFY(files(november, u"*_1.jpg"_s).isEmpty());
        m_program.reset();
    }

    void startUpAndChangeOfDay()
    {
        m_program = program(std::make_unique<SyntheticSource>());
        VideoPhotos &v = m_program->video();
        QVERIFY(!v.VideoOn());
        QVERIFY(v.PhotoBaseName().isEmpty());
        // Automatic start: the stored source goes on. A new installation
        // stores the IP camera: its photo is its own (none here), the
        // USB/PCI frame is not taken in its place.
        QCOMPARE(m_program->context().settings.VideoSourceIp, 1);
        v.startForAutoMode();
        QVERIFY(v.VideoOn());
        v.takePhoto(u"13"_s, 0);
        v.store().waitForDone();
        QCOMPARE(v.PhotoBaseName(), u"13"_s);
        QVERIFY(!QFile::exists(v.PhotoFolder() + u"13.jpg"_s));
        v.iconDoubleClicked();
        QVERIFY(!v.VideoOn());
        QCOMPARE(v.icon(), VideoPhotos::Icon::Off);

        // USB/PCI stored: it goes on, and says so in the settings.
        m_program->context().settings.VideoSourceIp = 0;
        v.startForAutoMode();
        QVERIFY(v.VideoOn());
        QCOMPARE(v.icon(), VideoPhotos::Icon::OnWindowShown);
        QCOMPARE(m_program->context().settings.IpCameraNumber, 10);

        // After midnight of the last day of the month the photos go to the
        // new month's folder.
        m_clock.setNow(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 50)));
        const QString december = v.PhotoFolder();
        m_clock.advanceSeconds(20);
        m_program->context().createMonthFolders();
        QVERIFY(v.PhotoFolder() != december);
        v.takePhoto(u"12"_s, 0);
        v.store().waitForDone();
        QVERIFY(QFile::exists(v.PhotoFolder() + u"12.jpg"_s));
        QVERIFY(!QFile::exists(december + u"12.jpg"_s));

        m_program.reset();
    }

    void noCameraOnThisMachine()
    {
        // The real source: without a device "Включить" says so, and photos
        // find no frame.
        m_program = program(nullptr);
        VideoPhotos &v = m_program->video();
        QSignalSpy failed(&v, &VideoPhotos::captureFailed);
        v.switchOnUsb();
        if (!CameraSource::deviceNames().isEmpty())
            QSKIP("a camera is attached");
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), u"Unable to capture video."_s);
        QVERIFY(v.VideoOn());
        v.panelPhoto();
        v.takePhoto(u"9"_s, 0);
        v.store().waitForDone();
        QVERIFY(files(v.PhotoFolder(), u"*.jpg"_s).isEmpty());
        QVERIFY(v.slot(Frame::CurrentCard, 0).image.isNull());
        // The source list still offers the test picture, last.
        QCOMPARE(v.sourceNames().last(), u"Тестовое изображение"_s);
        v.chooseSource(int(v.sourceNames().size()) - 1);
        v.panelPhoto();
        v.store().waitForDone();
        QVERIFY(QFile::exists(v.PhotoFolder() + u"9.jpg"_s));
        v.switchOffUsb();
        m_program.reset();
    }
};

QTEST_MAIN(TestPhotos)
#include "tst_photos.moc"
