#include "app/LogPage.h"

#include "common/EventLog.h"
#include "settings/Language.h"

#include <QCheckBox>
#include <QLabel>

LogPage::LogPage(QWidget *parent) : SettingsPage(parent) {
  setObjectName("PageLogFile");
  m_logFileLabel = newLabel(this, "LabLogFile", 13, 8, 328);
  m_logFileLabel->setText(uiText("UiLogFile"));
  QFont bold = m_logFileLabel->font();
  bold.setBold(true);
  m_logFileLabel->setFont(bold);
  // A log switch: its check box and, beside it, the label that names it.
  auto logSwitch = [this](QCheckBox *&box, const char *boxName, QLabel *&label,
                          const char *labelName, int top, const char *textKey,
                          std::atomic<bool> &on) {
    box = new QCheckBox(this);
    box->setObjectName(boxName);
    box->setGeometry(13, top, 17, 17);
    label = newLabel(this, labelName, 35, top, 200);
    label->setText(uiText(textKey));
    label->setBuddy(box);
    connect(box, &QCheckBox::clicked, this,
            [box, &on] { on = box->isChecked(); });
  };
  logSwitch(m_logCommandsCheck, "JvXPCheckboxComand", m_logCommandsLabel,
            "LabCommand", 36, "UiLogCommand", LogCommands);
  logSwitch(m_logPacketSizeCheck, "JvXPCheckboxSize", m_logPacketSizeLabel,
            "LabPacketSize", 62, "UiLogPacketSize", LogPacketSize);
}

void LogPage::load(const Settings &) {
  m_logCommandsCheck->setChecked(false);
  m_logPacketSizeCheck->setChecked(false);
}

void LogPage::store(Settings &) const {}
