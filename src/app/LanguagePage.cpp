#include "app/LanguagePage.h"

#include "settings/DialogSave.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QComboBox>
#include <QLabel>

LanguagePage::LanguagePage(const QStringList &languageDirs, QWidget *parent)
    : SettingsPage(parent), m_languageDirs(languageDirs) {
  setObjectName("languagePage");
  m_languageLabel = newLabel(this, "languageLabel", 13, 8, 328);
  m_languageCombo = new QComboBox(this);
  m_languageCombo->setObjectName("languageCombo");
  m_languageCombo->setGeometry(13, 27, 200, 22);
}

void LanguagePage::retranslate() {
  m_languageLabel->setText(uiText("SLabLanguage"));
  if (m_languageCombo->count() > 0)
    m_languageCombo->setItemText(0, uiText("SLDefault"));
}

void LanguagePage::load(const Settings &settings) {
  m_languageCombo->clear();
  const QString lines =
      listLanguageFolders(m_languageDirs, uiText("SLDefault"));
  m_languageCombo->addItems(lines.split(QStringLiteral("\r\n")));
  const QString language = QString::fromLocal8Bit(settings.language());
  if (language.isEmpty()) {
    m_languageCombo->setCurrentIndex(0);
    return;
  }
  int found = -1;
  for (int i = 1; i < m_languageCombo->count(); ++i)
    if (m_languageCombo->itemText(i) == language)
      found = i;
  m_languageCombo->setCurrentIndex(found);
}

void LanguagePage::store(Settings &edited) const {
  edited.setLanguage(languageToStore(m_languageCombo->currentIndex(),
                                     m_languageCombo->currentText(),
                                     edited.language()));
}
