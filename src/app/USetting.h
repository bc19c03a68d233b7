#pragma once
// The settings dialog: the settings of Quorvane.ini, the key shortcuts, the
// interface language and, when started with "-log", the log switches. Its
// pages are chosen from a tree on the left. Created for one opening and
// destroyed after it; values are written only when the user saves, each
// only when it differs from the one held. It sits with the main window
// because its key page uses keys/; what it saves is in settings/DialogSave.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>

#include "settings/DialogSave.h"

class TFormHotKey;

class TFrmSetting : public QDialog {
  Q_OBJECT
public:
  static constexpr int ClientWidth = 553;
  static constexpr int ClientHeight = 398;
  enum TPage {
    PageConnectionIndex,
    PageKeysIndex,
    PageCaptureIndex,
    PageLocalizationIndex,
    PageLogFileIndex,
    PageCount
  };

  // showLogPage: the program was started with "-log".
  explicit TFrmSetting(bool showLogPage, QWidget *parent = nullptr);

  QTreeWidget *TreeViewCont = nullptr;
  QWidget *LMDFill1 = nullptr; // the banner behind the page title
  QLabel *lblPageCaption = nullptr;
  QStackedWidget *PageCont = nullptr;
  QFrame *Bevel1 = nullptr;
  QPushButton *BtnSave = nullptr, *BtnCancel = nullptr;

  QWidget *PageConnection = nullptr, *PageKeys = nullptr,
          *PageCapture = nullptr, *PageLocalization = nullptr,
          *PageLogFile = nullptr;

  QGroupBox *GPRSBox = nullptr, *BlueToothBox = nullptr,
            *DataCableBox = nullptr;
  QLabel *LabGPRS = nullptr, *LabBlueTooth = nullptr, *LabDataCable = nullptr;
  QSpinBox *EditPort = nullptr;
  // Where the GPRS listener binds, and the phones known to the link.
  QLineEdit *EditListenAddress = nullptr;
  QGroupBox *PhonesBox = nullptr;
  QComboBox *ComboKnownPhones = nullptr;
  QPushButton *BtnRemovePhone = nullptr;
  void FillKnownPhones();
  void BtnRemovePhoneClick();
  QComboBox *ComboBoxBl = nullptr, *ComboBoxDt = nullptr;

  QTreeWidget *ListViewKeys = nullptr;
  QPushButton *BtnKeyEdit = nullptr;

  QGroupBox *BoxVideo = nullptr, *BoxImage = nullptr;
  QLabel *LabAVIFileName = nullptr, *LabFramePerSec = nullptr,
         *LabImageForm = nullptr, *LabDefDirect = nullptr;
  QLineEdit *EditAVI = nullptr, *EditImageDirect = nullptr;
  QPushButton *BtnAVIBrowse = nullptr, *BtnImageDirBrowse = nullptr;
  QSpinBox *EditFPS = nullptr;
  QComboBox *ComBoxImageType = nullptr;

  QLabel *LabLanguage = nullptr;
  QComboBox *ComboLanguage = nullptr;

  QLabel *LabLogFile = nullptr, *LabCommand = nullptr, *LabPacketSize = nullptr;
  QCheckBox *JvXPCheckboxComand = nullptr, *JvXPCheckboxSize = nullptr;

  // The caption of a page, as its tree node and the banner show it.
  QString PageCaption(int index) const { return m_captions.value(index); }

  // Handlers.
  void TreeViewContChange(QTreeWidgetItem *node);
  void PageContChange(int index);
  void PageConnectionShow();
  void PageCaptureShow();
  // True: the character is typed; false: it is dropped.
  bool EditPortKeyPress(QChar key);
  void JvXPCheckboxComandClick();
  void JvXPCheckboxSizeClick();
  void BtnSaveClick();
  void BtnKeyEditClick();
  void EditAVIButtonClick();
  void EditImageDirectButtonClick();

  // The dialog's fields as its save takes them.
  TDialogValues Values() const;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;

private:
  void BuildPages();
  void BuildConnectionPage();
  void BuildKeysPage();
  void BuildCapturePage();
  void BuildLocalizationPage();
  void BuildLogPage();
  void ApplyTexts();
  void FillLanguages();
  void BuildPageTree();
  void FillFields();
  void ShowPage(int index);
  void SelectPageKeepingFields(int index);
  TFormHotKey &HotKeyEditor();

  bool m_showLogPage;
  QList<QString> m_captions;
  QList<QWidget *> m_pages;
  TFormHotKey *m_ownEditor = nullptr; // when no editor exists program-wide
};
