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

#include "common/Paths.h"
#include "settings/DialogSave.h"

class HotKeyEditor;
class MessageBoxes;

class SettingsDialog : public QDialog {
  Q_OBJECT
public:
  static constexpr int kClientWidth = 553;
  static constexpr int kClientHeight = 398;
  enum Page {
    PageConnectionIndex,
    PageKeysIndex,
    PageCaptureIndex,
    PageLocalizationIndex,
    PageLogFileIndex,
    PageCount
  };

  // showLogPage: the program was started with "-log".
  // paths: where the settings, the port table and the languages lie.
  SettingsDialog(bool showLogPage, const Paths &paths, MessageBoxes &boxes,
                 QWidget *parent = nullptr);

  QTreeWidget *m_pageTree = nullptr;
  QWidget *m_banner = nullptr; // the banner behind the page title
  QLabel *lblPageCaption = nullptr;
  QStackedWidget *m_pageStack = nullptr;
  QFrame *m_buttonRule = nullptr;
  QPushButton *m_saveButton = nullptr, *m_cancelButton = nullptr;

  QWidget *m_connectionPage = nullptr, *m_keysPage = nullptr,
          *m_capturePage = nullptr, *m_languagePage = nullptr,
          *m_logPage = nullptr;

  QGroupBox *m_internetBox = nullptr, *m_bluetoothBox = nullptr,
            *m_cableBox = nullptr;
  QLabel *m_internetLabel = nullptr, *m_bluetoothLabel = nullptr,
         *m_cableLabel = nullptr;
  QSpinBox *m_portEdit = nullptr;
  // Where the GPRS listener binds, and the phones known to the link.
  QLineEdit *m_listenAddressEdit = nullptr;
  QGroupBox *m_phonesBox = nullptr;
  QComboBox *m_knownPhonesCombo = nullptr;
  QPushButton *m_removePhoneButton = nullptr;
  void fillKnownPhones();
  void btnRemovePhoneClick();
  QComboBox *m_bluetoothPortCombo = nullptr, *m_cablePortCombo = nullptr;

  QTreeWidget *m_keyList = nullptr;
  QPushButton *m_editKeyButton = nullptr;

  QGroupBox *m_videoBox = nullptr, *m_imageBox = nullptr;
  QLabel *m_videoFileLabel = nullptr, *m_frameRateLabel = nullptr,
         *m_imageTypeLabel = nullptr, *m_imageFolderLabel = nullptr;
  QLineEdit *m_videoFileEdit = nullptr, *m_imageFolderEdit = nullptr;
  QPushButton *m_videoBrowseButton = nullptr,
              *m_imageFolderBrowseButton = nullptr;
  QSpinBox *m_frameRateEdit = nullptr;
  QComboBox *m_imageTypeCombo = nullptr;

  QLabel *m_languageLabel = nullptr;
  QComboBox *m_languageCombo = nullptr;

  QLabel *m_logFileLabel = nullptr, *m_logCommandsLabel = nullptr,
         *m_logPacketSizeLabel = nullptr;
  QCheckBox *m_logCommandsCheck = nullptr, *m_logPacketSizeCheck = nullptr;

  // The caption of a page, as its tree node and the banner show it.
  QString pageCaption(int index) const { return m_captions.value(index); }

  // Handlers.
  void treeViewContChange(QTreeWidgetItem *node);
  void pageContChange(int index);
  void pageConnectionShow();
  void pageCaptureShow();
  // True: the character is typed; false: it is dropped.
  bool editPortKeyPress(QChar key);
  void jvXPCheckboxComandClick();
  void jvXPCheckboxSizeClick();
  void btnSaveClick();
  void btnKeyEditClick();
  void editAVIButtonClick();
  void editImageDirectButtonClick();

  // The dialog's fields as its save takes them.
  DialogValues values() const;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void changeEvent(QEvent *event) override;

private:
  void buildPages();
  void buildConnectionPage();
  void buildKeysPage();
  void buildCapturePage();
  void buildLocalizationPage();
  void buildLogPage();
  // Sets every text of the dialog in the language in use; changeEvent calls
  // it on QEvent::LanguageChange.
  void retranslate();
  void fillLanguages();
  void buildPageTree();
  void fillFields();
  void showPage(int index);
  void selectPageKeepingFields(int index);
  HotKeyEditor &hotKeyEditor();

  bool m_showLogPage;
  const Paths m_paths;
  MessageBoxes &m_boxes;
  QList<QString> m_captions;
  QList<QWidget *> m_pages;
  HotKeyEditor *m_ownEditor = nullptr; // when no editor exists program-wide
};
