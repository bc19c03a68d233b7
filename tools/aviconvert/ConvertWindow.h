#pragma once
// The converter's window, titled "AviConvert": a progress bar counting
// frames, the output path and the elapsed time; then the result in one
// sentence with Open folder and Close, or what failed and what was kept.

#include "aviconvert/Conversion.h"

#include <QElapsedTimer>
#include <QWidget>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace aviconvert {

class TConvertWindow : public QWidget {
  Q_OBJECT
public:
  explicit TConvertWindow(const QString &programDir, QWidget *parent = nullptr);
  ~TConvertWindow() override;

  // Converts frame by frame from the event loop.
  void Start();
  // The sentence shown at the end.
  QString ResultText() const;

signals:
  // ok: the video was written.
  void Finished(bool ok);

private:
  void NextFrame();
  void Succeed(const TReport &report);
  void Fail(const QString &message);
  void ShowProgress();
  // Makes the window tall enough for its wrapped texts.
  void GrowToFit();

  std::unique_ptr<TConversion> m_conversion;
  QElapsedTimer m_clock;
  QLabel *m_frameLabel = nullptr;
  QProgressBar *m_progress = nullptr;
  QLabel *m_outputLabel = nullptr;
  QLabel *m_elapsedLabel = nullptr;
  QLabel *m_resultLabel = nullptr;
  QPushButton *m_openFolder = nullptr;
  QPushButton *m_close = nullptr;
  QString m_outputFolder;
};

} // namespace aviconvert
