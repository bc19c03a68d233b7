#pragma once
// The settings dialog's capture page: the video file and frame rate, the
// screenshots' format and folder.

#include "app/SettingsPage.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class CapturePage : public SettingsPage {
  Q_OBJECT
public:
  explicit CapturePage(QWidget *parent = nullptr);

  void load(const Settings &settings) override;
  void store(Settings &edited) const override;
  // The frame rate starts again from the value held.
  void pageShown(const Settings &held) override;
  void retranslate() override;

  // The frame rate as typed, which the dialog checks.
  QString typedFrameRate() const;
  // A refused frame rate takes the focus, its text selected.
  void focusFrameRate();

private:
  void browseVideoFile();
  void browseImageFolder();

  QGroupBox *m_videoBox = nullptr, *m_imageBox = nullptr;
  QLabel *m_videoFileLabel = nullptr, *m_frameRateLabel = nullptr,
         *m_imageTypeLabel = nullptr, *m_imageFolderLabel = nullptr;
  QLineEdit *m_videoFileEdit = nullptr, *m_imageFolderEdit = nullptr;
  QPushButton *m_videoBrowseButton = nullptr,
              *m_imageFolderBrowseButton = nullptr;
  QSpinBox *m_frameRateEdit = nullptr;
  QComboBox *m_imageTypeCombo = nullptr;
};
