#include "app/AppCore.h"

#include "app/LinkViewAdapter.h"
#include "capture/Screenshot.h"
#include "capture/VideoRecorder.h"
#include "common/Paths.h"
#include "link/CommandQueue.h"
#include "link/ConnectionManager.h"
#include "link/SerialLink.h"
#include "link/TcpLink.h"
#include "platform/KeyMapping.h"
#include "platform/Shell.h"
#include "screen/ActivityIndicator.h"
#include "screen/ScreenCanvas.h"
#include "screen/SkinFile.h"
#include "settings/KnownPhones.h"
#include "settings/Settings.h"

#include <algorithm>

namespace {

PhoneId phoneIdOf(const QByteArray &hexBlock) {
  const QByteArray bytes = QByteArray::fromHex(hexBlock);
  PhoneId id{};
  std::copy_n(bytes.begin(), std::min<qsizetype>(bytes.size(), id.size()),
              id.begin());
  return id;
}

} // namespace

AppCore::AppCore(const Paths &paths,
                 std::unique_ptr<platform::CapsLockSource> capsLock)
    : m_paths(paths),
      m_capsLock(capsLock ? std::move(capsLock)
                          : std::make_unique<platform::X11CapsLock>()),
      m_settings(std::make_unique<Settings>(m_paths)),
      m_queue(std::make_unique<CommandQueue>()),
      m_keyboard(*m_queue, m_keyTable, *m_capsLock),
      m_canvas(std::make_unique<ScreenCanvas>()),
      m_indicator(std::make_unique<ActivityIndicator>()),
      m_linkView(std::make_unique<LinkViewAdapter>(*m_canvas, *m_indicator,
                                                   skinFilePath(paths))),
      m_tcpLink(std::make_unique<TcpLink>(*m_linkView, *m_queue)),
      m_serialLink(std::make_unique<SerialLink>(*m_queue, m_linkView.get())),
      m_captureClock([] { return QDateTime::currentDateTime(); }) {
  m_tcpLink->setStats(&m_linkStats);
  m_tcpLink->setGate(&m_phoneGate);
  m_serialLink->setConfigDir(m_paths.configDir());
  m_serialLink->setStats(&m_linkStats);
  m_serialLink->setGate(&m_phoneGate);

  ScreenshotHooks shots;
  shots.picture = [this] { return m_canvas->screen(); };
  shots.now = [this] { return m_captureClock(); };
  shots.pickFolder = [this] {
    return m_folderPicker ? m_folderPicker() : QString();
  };
  m_screenshots = std::make_unique<ScreenshotSaver>(std::move(shots));

  RecorderHooks rec;
  rec.picture = [this] { return m_canvas->screen(); };
  rec.now = [this] { return m_captureClock().time(); };
  rec.programDir = [this] { return m_paths.workDir(); };
  rec.framesDir = [this] { return m_paths.tempDir(); };
  rec.saveScreenSize = [this](int height, int width) {
    m_settings->saveScreenSize(height, width);
  };
  // Nothing is waited for and nothing is reported.
  rec.startConverter = [this] {
    platform::startProgram(QStringLiteral("AVIConvert"),
                           m_paths.converterDir());
  };
  m_recorder = std::make_unique<VideoRecorder>(std::move(rec));
}

AppCore::~AppCore() {
  // The links' threads and timers reach the view and the canvas: they go
  // first.
  shutDown();
  m_connection.reset();
  m_tcpLink.reset();
  m_serialLink.reset(); // closes an open port without a word to the phone
}

void AppCore::attachView(ConnectionView &view) {
  m_connection = std::make_unique<ConnectionManager>(
      view, *m_tcpLink, *m_queue, m_serialLink.get(), m_serialLink.get());
}

void AppCore::detachView() { m_connection.reset(); }

void AppCore::setCaptureClock(std::function<QDateTime()> now) {
  m_captureClock = std::move(now);
}

ScreenshotResult AppCore::saveScreenshot() {
  QByteArray folder = m_settings->imageDir();
  ScreenshotResult result;
  try {
    result = m_screenshots->save(folder, m_settings->imageType());
  } catch (...) {
    m_settings->setImageDir(folder);
    throw;
  }
  m_settings->setImageDir(folder);
  return result;
}

void AppCore::setFolderPicker(std::function<QString()> pick) {
  m_folderPicker = std::move(pick);
}

void AppCore::applyPhonePolicy() {
  QList<PhoneId> known;
  if (m_settings->knownPhonesOnly())
    for (const KnownPhone &phone : loadKnownPhones(*m_settings))
      known.append(phoneIdOf(phone.block));
  m_phoneGate.setPolicy(m_settings->knownPhonesOnly(), known);
}

QString AppCore::sampleLinkFigures(const QString &format) {
  if (!m_connection || !m_connection->linkOpen())
    return QString();
  m_linkRates.add(QDateTime::currentMSecsSinceEpoch(), m_linkStats.read());
  return formatLinkRates(m_linkRates.rates(), format);
}

void AppCore::answerPhone(quint64 connection, const QByteArray &block,
                          const QByteArray &name, PhoneAnswer answer) {
  switch (answer) {
  case PhoneAnswer::AlwaysAllow:
    m_phoneGate.addKnown(phoneIdOf(block));
    m_phoneGate.allow(connection);
    addKnownPhone(*m_settings, block, name);
    break;
  case PhoneAnswer::AllowOnce:
    m_phoneGate.allow(connection);
    break;
  case PhoneAnswer::Refuse:
    if (!m_phoneGate.refuse(connection))
      break;
    if (m_connection && m_connection->link() == LinkKind::Gprs)
      m_tcpLink->dropPhone(connection);
    else if (m_connection)
      m_connection->disconnectLink();
    break;
  }
}

void AppCore::shutDown() {
  if (m_tcpLink && m_tcpLink->active())
    m_tcpLink->close();
}
