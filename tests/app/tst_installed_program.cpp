// The program installed into a temporary prefix, with its home in a
// temporary folder: it starts, and its settings, screenshots, recordings and
// videos land in the user's folders, never under the prefix.
#include "app/AppCore.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "controls/PictureButton.h"
#include "link/CommandQueue.h"
#include "screen/ScreenCanvas.h"
#include "settings/Settings.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "support/WindowDriver.h"

#include <QDirIterator>
#include <QProcess>
#include <QTest>

class TestInstalledProgram : public QObject {
  Q_OBJECT

  ScopedTempDir m_dir;
  QString m_prefix;
  QStringList m_before;

  QString home(const QString &name) const { return m_dir.file("home/" + name); }
  // Every file and folder under the prefix with its size and time.
  QStringList listing() const {
    QStringList entries;
    QDirIterator it(m_prefix,
                    QDir::AllEntries | QDir::Hidden | QDir::System |
                        QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QFileInfo info(it.next());
      entries << QString("%1 %2 %3")
                     .arg(info.filePath())
                     .arg(info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries;
  }
  void setWritable(bool writable) {
    QDirIterator it(m_prefix, QDir::AllEntries | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QStringList paths{m_prefix};
    while (it.hasNext())
      paths << it.next();
    for (const QString &path : paths) {
      QFile f(path);
      const auto w = QFileDevice::WriteOwner | QFileDevice::WriteUser;
      f.setPermissions(writable ? f.permissions() | w : f.permissions() & ~w);
    }
  }

private slots:
  void initTestCase() {
    m_prefix = m_dir.file("usr");
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start("cmake",
                  {"--install", QV_BIN_DIR "/..", "--prefix", m_prefix});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                             "XDG_STATE_HOME", "XDG_DATA_HOME"})
      qputenv(name, home(name).toLocal8Bit());
    qputenv("HOME", home("").toLocal8Bit());
    QVERIFY(QDir().mkpath(home("run")));
    QFile(home("run"))
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                        QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", home("run").toLocal8Bit());
    qputenv("AVICONVERT_EXIT_WHEN_DONE", "1");
    m_before = listing();
    QVERIFY(!m_before.isEmpty());
    setWritable(false);
  }

  void cleanupTestCase() {
    const QStringList after = listing();
    setWritable(true);
    QCOMPARE(after, m_before);
  }

  void installedProgramStarts() {
    // A second copy reaches the first, which is then up and listening.
    const QString program = m_prefix + "/bin/quorvane";
    QProcess first;
    first.start(program, {});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(
        !QDir(home("run")).entryList({"*.lock"}, QDir::Files).isEmpty(), 20000);
    QProcess second;
    second.start(program, {});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    QVERIFY(QDir(home("XDG_CONFIG_HOME/quorvane")).exists());
    first.kill();
    first.waitForFinished();
  }

  void filesGoToTheUsersFolders() {
    const Paths paths = Paths::forExecutable(
        m_prefix + "/bin/quorvane", "../share/quorvane", "../libexec/quorvane");
    QCOMPARE(paths.layout(), PathLayout::Installed);
    Settings settings(paths);
    settings.load();
    settings.saveCapture(settings.aviName(), 7);
    QVERIFY(readAll(home("XDG_CONFIG_HOME/quorvane/Quorvane.ini"))
                .contains("FPS=7"));

    ScriptedMessageBoxes boxes;
    boxes.onShow = [](MessageKind, const QString &, const QString &t) {
      QFAIL(qPrintable(t));
    };
    AppCore core(paths);
    MainWindow form(core, boxes);
    QDateTime now(QDate(2009, 3, 7), QTime(9, 5, 3, 45));
    form.core().setCaptureClock([&now] { return now; });
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.core().canvas().resetPictures();
    QImage tile(34, 34, QImage::Format_RGB32);
    tile.fill(Qt::red);
    form.core().canvas().drawDecodedTile(tile, 20, 30);

    driver::click(form, "screenshotButton");
    QVERIFY(QFile::exists(home("Pictures/2009030709050345.bmp")));

    // The installed converter finds the list and the frames in the cache,
    // writes the video into Videos and removes the frames.
    driver::click(form, "recordButton");
    driver::fire(form, "captureTimer");
    now = now.addMSecs(143);
    driver::fire(form, "captureTimer");
    QCOMPARE(QDir(paths.tempDir()).entryList(QDir::Files).size(), 2);
    driver::click(form, "stopButton");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(home("Videos/video.avi")), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(
        QDir(paths.tempDir()).entryList(QDir::Files).isEmpty(), 10000);
  }
};

QTEST_MAIN(TestInstalledProgram)
#include "tst_installed_program.moc"
