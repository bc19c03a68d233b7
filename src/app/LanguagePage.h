#pragma once
// The settings dialog's language page: the list of language folders, with
// the default entry (no language) first.

#include "app/SettingsPage.h"

class QComboBox;
class QLabel;

class LanguagePage : public SettingsPage {
  Q_OBJECT
public:
  explicit LanguagePage(QWidget *parent = nullptr);

  // Lists the folders and selects the language held: none when its folder
  // is gone.
  void load(const Settings &settings) override;
  void store(Settings &edited) const override;
  void retranslate() override;

private:
  QLabel *m_languageLabel = nullptr;
  QComboBox *m_languageCombo = nullptr;
};
