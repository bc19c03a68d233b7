#include "app/CapturePage.h"

#include "capture/Screenshot.h"
#include "capture/VideoFormats.h"
#include "screen/ScreenCanvas.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

CapturePage::CapturePage(QWidget *parent) : SettingsPage(parent) {
  setObjectName("capturePage");
  // A path field with its browse button at its right.
  auto pathField = [](QWidget *parent, const char *editName,
                      const char *buttonName, int top, QLineEdit *&edit,
                      QPushButton *&button) {
    edit = new QLineEdit(parent);
    edit->setObjectName(editName);
    edit->setGeometry(kFieldLeft, top, kFieldWidth - 30, 22);
    button = new QPushButton(QStringLiteral("\u2026"), parent);
    button->setObjectName(buttonName);
    button->setGeometry(kFieldLeft + kFieldWidth - 26, top, 26, 22);
  };

  m_videoBox = newGroup(this, "videoBox", 6, 120);
  m_videoFileLabel =
      newLabel(m_videoBox, "videoFileLabel", kFieldLeft, 22, kFieldWidth);
  pathField(m_videoBox, "videoFileEdit", "videoBrowseButton", 41,
            m_videoFileEdit, m_videoBrowseButton);
  m_frameRateLabel =
      newLabel(m_videoBox, "frameRateLabel", kFieldLeft, 70, 186);
  m_frameRateEdit = new QSpinBox(m_videoBox);
  m_frameRateEdit->setObjectName("frameRateEdit");
  m_frameRateEdit->setGeometry(kFieldLeft, 89, 70, 22);
  // As the port: a rate out of range can be typed whole and is refused on
  // saving, rather than cut to its first digit.
  m_frameRateEdit->setRange(0, 999);
  m_frameRateEdit->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  // The converter enlarges each frame by a whole number, so it stays sharp.
  m_scaleLabel = newLabel(m_videoBox, "scaleLabel", kFieldLeft + 196, 70, 108);
  m_scaleCombo = new QComboBox(m_videoBox);
  m_scaleCombo->setObjectName("scaleCombo");
  m_scaleCombo->setGeometry(kFieldLeft + 196, 89, 108, 22);
  for (int scale : videoScales())
    m_scaleCombo->addItem(QStringLiteral("%1\u00d7 (%2 \u00d7 %3)")
                              .arg(scale)
                              .arg(ScreenCanvas::kScreenWidth * scale)
                              .arg(ScreenCanvas::kScreenHeight * scale),
                          scale);

  m_imageBox = newGroup(this, "imageBox", 134, 120);
  m_imageTypeLabel =
      newLabel(m_imageBox, "imageTypeLabel", kFieldLeft, 22, kFieldWidth);
  m_imageTypeCombo = new QComboBox(m_imageBox);
  m_imageTypeCombo->setObjectName("imageTypeCombo");
  m_imageTypeCombo->setGeometry(kFieldLeft, 41, 100, 22);
  m_imageTypeCombo->addItems(screenshotImageTypes());
  m_imageFolderLabel =
      newLabel(m_imageBox, "imageFolderLabel", kFieldLeft, 70, kFieldWidth);
  pathField(m_imageBox, "imageFolderEdit", "imageFolderBrowseButton", 89,
            m_imageFolderEdit, m_imageFolderBrowseButton);

  connect(m_videoBrowseButton, &QPushButton::clicked, this,
          &CapturePage::browseVideoFile);
  connect(m_imageFolderBrowseButton, &QPushButton::clicked, this,
          &CapturePage::browseImageFolder);
}

void CapturePage::retranslate() {
  m_videoBox->setTitle(uiText("SBoxVideo"));
  m_imageBox->setTitle(uiText("SBoxImage"));
  m_videoFileLabel->setText(uiText("SLabAVIFileName"));
  m_frameRateLabel->setText(uiText("SLabFramePerSec"));
  m_scaleLabel->setText(uiText("UiVideoScale"));
  m_imageTypeLabel->setText(uiText("SLabImageForm"));
  m_imageFolderLabel->setText(uiText("SLabDefDirect"));
}

void CapturePage::load(const Settings &settings) {
  m_videoFileEdit->setText(QString::fromLocal8Bit(settings.aviName()));
  m_frameRateEdit->setValue(settings.fps());
  m_imageFolderEdit->setText(QString::fromLocal8Bit(settings.imageDir()));
  // A type the screenshots do not know, "jpeg" too, shows as BMP.
  m_imageTypeCombo->setCurrentIndex(
      std::max<qsizetype>(0, screenshotImageTypes().indexOf(
                                 QString::fromLatin1(settings.imageType()))));
  m_scaleCombo->setCurrentIndex(
      std::max(0, m_scaleCombo->findData(settings.scale())));
}

void CapturePage::store(Settings &edited) const {
  edited.setImageType(m_imageTypeCombo->currentText().toLocal8Bit());
  edited.setImageDir(m_imageFolderEdit->text().toLocal8Bit());
  edited.setAviName(m_videoFileEdit->text().toLocal8Bit());
  // Checked already: digits only, from 1 to 20.
  edited.setFps(typedFrameRate().toInt());
  edited.setScale(m_scaleCombo->currentData().toInt());
}

void CapturePage::pageShown(const Settings &held) {
  m_frameRateEdit->setValue(held.fps());
}

QString CapturePage::typedFrameRate() const { return m_frameRateEdit->text(); }

void CapturePage::focusFrameRate() {
  m_frameRateEdit->setFocus(Qt::OtherFocusReason);
  m_frameRateEdit->selectAll();
}

void CapturePage::browseVideoFile() {
  QFileDialog dialog(this, QString(), m_videoFileEdit->text(),
                     videoFileFilter());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("avi"));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    m_videoFileEdit->setText(
        QDir::toNativeSeparators(dialog.selectedFiles().first()));
}

void CapturePage::browseImageFolder() {
  const QString dir = QFileDialog::getExistingDirectory(
      this, QString(), m_imageFolderEdit->text());
  if (!dir.isEmpty())
    m_imageFolderEdit->setText(QDir::toNativeSeparators(dir) +
                               QDir::separator());
}
