#pragma once
// The settings dialog's language page: the list of language folders, with
// the default entry (no language) first.

#include "app/SettingsPage.h"

#include <QStringList>

class QComboBox;
class QLabel;

class LanguagePage : public SettingsPage {
  Q_OBJECT
public:
  // languageDirs: the folders the languages are listed from
  // (Paths::languageDirs).
  explicit LanguagePage(const QStringList &languageDirs,
                        QWidget *parent = nullptr);

  // Lists the folders and selects the language held: none when its folder
  // is gone.
  void load(const Settings &settings) override;
  void store(Settings &edited) const override;
  void retranslate() override;

private:
  const QStringList m_languageDirs;
  QLabel *m_languageLabel = nullptr;
  QComboBox *m_languageCombo = nullptr;
};
