#include "aviconvert/ConvertWindow.h"

#include "settings/Language.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace aviconvert {

namespace {

// Opens the file manager on the video's folder with the video selected,
// through the desktop's file manager service; where there is none, the
// folder is opened.
void showInFolder(const QString &path) {
  const QString folder = QFileInfo(path).absolutePath();
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"),
      QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"),
      QStringLiteral("ShowItems"));
  call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    return;
  }
  auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                   [folder](QDBusPendingCallWatcher *done) {
                     if (done->isError())
                       QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
                     done->deleteLater();
                   });
}

// Two sentences in one text: the first is ended with a full stop when it
// has no end of its own.
QString sentences(QString first, const QString &second) {
  first = first.trimmed();
  if (!first.isEmpty() && !first.endsWith('.') && !first.endsWith('!') &&
      !first.endsWith('?'))
    first += '.';
  return second.isEmpty() ? first : first + ' ' + second;
}
} // namespace

ConvertWindow::ConvertWindow(const QString &programDir, QWidget *parent)
    : ConvertWindow(ConversionDirs{programDir, programDir, programDir},
                    parent) {}

ConvertWindow::ConvertWindow(const ConversionDirs &dirs, QWidget *parent)
    : QWidget(parent), m_conversion(std::make_unique<Conversion>(dirs)) {
  setObjectName("AviConvert");
  setMinimumWidth(420);
  setStyleSheet(QStringLiteral(
      "aviconvert--ConvertWindow { background: rgb(232,234,239); }"
      "QProgressBar { border: 1px solid rgb(190,194,204); background: white;"
      " height: 14px; text-align: center; }"
      "QProgressBar::chunk { background: rgb(40,110,220); }"));
  setAttribute(Qt::WA_StyledBackground);

  m_frameLabel = new QLabel(this);
  m_progress = new QProgressBar(this);
  m_progress->setTextVisible(false);
  m_outputLabel = new QLabel(this);
  m_outputLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_outputLabel->setWordWrap(true);
  m_elapsedLabel = new QLabel(this);
  m_resultLabel = new QLabel(this);
  m_resultLabel->setWordWrap(true);
  m_resultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_openFolder = new QPushButton(this);
  m_close = new QPushButton(this);
  m_openFolder->setEnabled(false);
  m_close->setEnabled(false);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_openFolder);
  buttons->addWidget(m_close);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 14, 16, 14);
  layout->setSpacing(8);
  layout->addWidget(m_frameLabel);
  layout->addWidget(m_progress);
  layout->addWidget(m_outputLabel);
  layout->addWidget(m_elapsedLabel);
  layout->addWidget(m_resultLabel);
  layout->addStretch(1);
  layout->addLayout(buttons);

  connect(m_close, &QPushButton::clicked, this, &QWidget::close);
  connect(m_openFolder, &QPushButton::clicked, this,
          [this] { showInFolder(m_outputPath); });
  retranslate();
}

void ConvertWindow::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange)
    retranslate();
}

void ConvertWindow::retranslate() {
  setWindowTitle(uiText("ConvertTitle"));
  m_openFolder->setText(uiText("ConvertOpenFolder"));
  m_close->setText(uiText("ConvertClose"));
  // The progress follows; the sentences of a finished conversion stay as
  // they were written.
  if (!m_clock.isValid())
    m_frameLabel->setText(uiText("ConvertReadingList"));
  else if (m_conversion && m_progress->maximum() > 0)
    showProgress();
}

ConvertWindow::~ConvertWindow() = default;

QString ConvertWindow::resultText() const { return m_resultLabel->text(); }

void ConvertWindow::start() {
  m_clock.start();
  try {
    m_conversion->prepare();
  } catch (const VideoError &e) {
    // Refused before a frame was read: what stays is said only when the
    // list was read.
    const QString kept = m_conversion->keptText();
    fail(kept.isEmpty() ? e.message() : sentences(e.message(), kept));
    return;
  }
  m_progress->setRange(0, m_conversion->total());
  QString to = uiText("ConvertTo")
                   .arg(QDir::toNativeSeparators(m_conversion->outputPath()));
  if (!m_conversion->takenPath().isEmpty())
    to += '\n' + uiText("ConvertNameTaken")
                     .arg(QDir::toNativeSeparators(m_conversion->takenPath()));
  m_outputLabel->setText(to);
  showProgress();
  growToFit();
  QTimer::singleShot(0, this, &ConvertWindow::nextFrame);
}

void ConvertWindow::showProgress() {
  m_frameLabel->setText(uiText("ConvertFrameOf")
                            .arg(m_conversion->done())
                            .arg(m_conversion->total()));
  m_progress->setValue(m_conversion->done());
  m_elapsedLabel->setText(
      uiText("ConvertElapsed").arg(m_clock.elapsed() / 1000.0, 0, 'f', 1));
}

void ConvertWindow::nextFrame() {
  try {
    const bool more = m_conversion->step();
    showProgress();
    if (more) {
      QTimer::singleShot(0, this, &ConvertWindow::nextFrame);
      return;
    }
    succeed(m_conversion->finish());
  } catch (const VideoError &e) {
    fail(sentences(e.message(), m_conversion->keptText()));
  } catch (const std::exception &e) {
    fail(sentences(QString::fromLocal8Bit(e.what()), m_conversion->keptText()));
  }
}

void ConvertWindow::succeed(const Report &report) {
  showProgress();
  m_outputPath = QFileInfo(report.output).absoluteFilePath();
  QString text = uiText("ConvertSaved")
                     .arg(report.converted)
                     .arg(report.seconds, 0, 'f', 1)
                     .arg(QDir::toNativeSeparators(report.output));
  if (report.skipped == 1)
    text += ' ' + uiText("ConvertSkippedOne");
  else if (report.skipped > 1)
    text += ' ' + uiText("ConvertSkippedMany").arg(report.skipped);
  m_resultLabel->setText(text);
  // The window stays for the result; another conversion may start now.
  m_conversion.reset();
  m_openFolder->setEnabled(true);
  m_close->setEnabled(true);
  m_close->setDefault(true);
  growToFit();
  emit Finished(true);
}

void ConvertWindow::fail(const QString &message) {
  m_frameLabel->setText(uiText("ConvertNotMade"));
  m_resultLabel->setText(message.trimmed());
  // Removes what was begun of the video and lets the lock go.
  m_conversion.reset();
  m_close->setEnabled(true);
  m_close->setDefault(true);
  growToFit();
  emit Finished(false);
}

void ConvertWindow::growToFit() {
  QLayout *box = layout();
  box->activate();
  const int needed = box->hasHeightForWidth()
                         ? box->totalHeightForWidth(width())
                         : box->totalSizeHint().height();
  if (needed > height())
    resize(width(), needed);
}

} // namespace aviconvert
