#pragma once
// The settings dialog: the settings of Quorvane.ini, the key shortcuts, the
// interface language and, when started with "-log", the log switches. Its
// pages are chosen from a tree on the left. Created for one opening and
// destroyed after it; values are written only when the user saves, each
// only when it differs from the one held. Each page loads its fields from
// the settings and stores them for the save; the checks of the typed
// fields are in settings/DialogSave.

#include <QDialog>
#include <QList>
#include <QString>

#include "common/Paths.h"

class CapturePage;
class ConnectionPage;
class KeyTable;
class MessageBoxes;
class QFrame;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class Settings;
class SettingsPage;
struct DialogRefusal;

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

  // settings: what the fields show and the save writes; keys: the table
  // the key page edits. showLogPage: the program was started with "-log".
  // paths: where the settings, the port table and the languages lie;
  // boxes: where the dialog's messages go.
  SettingsDialog(Settings &settings, KeyTable &keys, bool showLogPage,
                 const Paths &paths, MessageBoxes &boxes,
                 QWidget *parent = nullptr);

  // The caption of a page, as its tree node and the banner show it.
  QString pageCaption(int index) const { return m_captions.value(index); }
  // The page widget of an index.
  QWidget *page(int index) const;

  // Checks the typed fields, has every page store its values and writes
  // those that changed; closes when all went well.
  void saveAndClose();

protected:
  void showEvent(QShowEvent *event) override;
  void changeEvent(QEvent *event) override;

private:
  // Sets every text of the dialog in the language in use; changeEvent calls
  // it on QEvent::LanguageChange.
  void retranslate();
  void buildPageTree();
  void showPageOfNode(QTreeWidgetItem *node);
  void selectNodeOfPage(int index);
  void showPage(int index);
  void selectPageKeepingFields(int index);
  void showRefusal(const DialogRefusal &refusal);

  Settings &m_settings;
  bool m_showLogPage;
  const Paths m_paths;
  MessageBoxes &m_boxes;
  QList<QString> m_captions;
  QList<SettingsPage *> m_pages;
  ConnectionPage *m_connectionPage = nullptr;
  CapturePage *m_capturePage = nullptr;

  QTreeWidget *m_pageTree = nullptr;
  QWidget *m_banner = nullptr; // the banner behind the page title
  QLabel *m_pageCaption = nullptr;
  QStackedWidget *m_pageStack = nullptr;
  QFrame *m_buttonRule = nullptr;
  QPushButton *m_saveButton = nullptr, *m_cancelButton = nullptr;
};
