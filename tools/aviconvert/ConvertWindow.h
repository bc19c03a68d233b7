#pragma once
// The converter's window, titled "AviConvert": a progress bar counting
// frames, the output path and the elapsed time; then the result in one
// sentence naming the video, with Open folder (which shows the video in its
// folder) and Close, or what failed and what was kept.

#include "aviconvert/Conversion.h"

#include <QElapsedTimer>
#include <QWidget>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace aviconvert {

class ConvertWindow : public QWidget {
  Q_OBJECT
public:
  explicit ConvertWindow(const QString &programDir, QWidget *parent = nullptr);
  explicit ConvertWindow(const ConversionDirs &dirs, QWidget *parent = nullptr);
  ~ConvertWindow() override;

  // Converts frame by frame from the event loop.
  void start();
  // The sentence shown at the end.
  QString resultText() const;

signals:
  // ok: the video was written.
  void Finished(bool ok);

protected:
  void changeEvent(QEvent *event) override;

private:
  // Sets the window's texts in the language in use; changeEvent calls it on
  // QEvent::LanguageChange.
  void retranslate();
  void nextFrame();
  void succeed(const Report &report);
  void fail(const QString &message);
  void showProgress();
  // Makes the window tall enough for its wrapped texts.
  void growToFit();

  std::unique_ptr<Conversion> m_conversion;
  QElapsedTimer m_clock;
  QLabel *m_frameLabel = nullptr;
  QProgressBar *m_progress = nullptr;
  QLabel *m_outputLabel = nullptr;
  QLabel *m_elapsedLabel = nullptr;
  QLabel *m_resultLabel = nullptr;
  QPushButton *m_openFolder = nullptr;
  QPushButton *m_close = nullptr;
  QString m_outputPath;
};

} // namespace aviconvert
