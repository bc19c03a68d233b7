#include "app/CapturePage.h"

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

CapturePage::CapturePage(QWidget *parent) : SettingsPage(parent) {
  setObjectName("PageCapture");
  auto browse = [](QWidget *parent, const char *name, int top) {
    auto *b = new QPushButton(QStringLiteral("\u2026"), parent);
    b->setObjectName(name);
    b->setGeometry(kFieldLeft + kFieldWidth - 26, top, 26, 22);
    return b;
  };

  m_videoBox = newGroup(this, "BoxVideo", 6, 120);
  m_videoFileLabel =
      newLabel(m_videoBox, "LabAVIFileName", kFieldLeft, 22, kFieldWidth);
  m_videoFileEdit = new QLineEdit(m_videoBox);
  m_videoFileEdit->setObjectName("EditAVI");
  m_videoFileEdit->setGeometry(kFieldLeft, 41, kFieldWidth - 30, 22);
  m_videoBrowseButton = browse(m_videoBox, "BtnAVIBrowse", 41);
  m_frameRateLabel =
      newLabel(m_videoBox, "LabFramePerSec", kFieldLeft, 70, kFieldWidth);
  m_frameRateEdit = new QSpinBox(m_videoBox);
  m_frameRateEdit->setObjectName("EditFPS");
  m_frameRateEdit->setGeometry(kFieldLeft, 89, 70, 22);
  // As the port: a rate out of range can be typed whole and is refused on
  // saving, rather than cut to its first digit.
  m_frameRateEdit->setRange(0, 999);
  m_frameRateEdit->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);

  m_imageBox = newGroup(this, "BoxImage", 134, 120);
  m_imageTypeLabel =
      newLabel(m_imageBox, "LabImageForm", kFieldLeft, 22, kFieldWidth);
  m_imageTypeCombo = new QComboBox(m_imageBox);
  m_imageTypeCombo->setObjectName("ComBoxImageType");
  m_imageTypeCombo->setGeometry(kFieldLeft, 41, 100, 22);
  m_imageTypeCombo->addItems({QStringLiteral("BMP"), QStringLiteral("JPEG")});
  m_imageFolderLabel =
      newLabel(m_imageBox, "LabDefDirect", kFieldLeft, 70, kFieldWidth);
  m_imageFolderEdit = new QLineEdit(m_imageBox);
  m_imageFolderEdit->setObjectName("EditImageDirect");
  m_imageFolderEdit->setGeometry(kFieldLeft, 89, kFieldWidth - 30, 22);
  m_imageFolderBrowseButton = browse(m_imageBox, "BtnImageDirBrowse", 89);

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
  m_imageTypeLabel->setText(uiText("SLabImageForm"));
  m_imageFolderLabel->setText(uiText("SLabDefDirect"));
}

void CapturePage::load(const Settings &settings) {
  m_videoFileEdit->setText(QString::fromLocal8Bit(settings.aviName()));
  m_frameRateEdit->setValue(settings.fps());
  m_imageFolderEdit->setText(QString::fromLocal8Bit(settings.imageDir()));
  // Anything but "JPEG", "jpeg" too, shows as BMP.
  m_imageTypeCombo->setCurrentIndex(settings.imageType() == "JPEG" ? 1 : 0);
}

void CapturePage::store(Settings &edited) const {
  edited.setImageType(m_imageTypeCombo->currentText().toLocal8Bit());
  edited.setImageDir(m_imageFolderEdit->text().toLocal8Bit());
  edited.setAviName(m_videoFileEdit->text().toLocal8Bit());
  // Checked already: digits only, from 1 to 20.
  edited.setFps(typedFrameRate().toInt());
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
                     uiText("UiVideoFileFilter"));
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
