#include "app/LogPage.h"

#include "common/EventLog.h"
#include "settings/Language.h"

#include <QCheckBox>
#include <QLabel>

LogPage::LogPage(EventLog &log, QWidget *parent) : SettingsPage(parent) {
  setObjectName("logPage");
  m_logFileLabel = newLabel(this, "logFileLabel", 13, 8, 328);
  m_logFileLabel->setText(uiText("UiLogFile"));
  QFont bold = m_logFileLabel->font();
  bold.setBold(true);
  m_logFileLabel->setFont(bold);
  // A log switch: its check box and, beside it, the label that names it.
  auto logSwitch = [this, &log](QCheckBox *&box, const char *boxName,
                                QLabel *&label, const char *labelName, int top,
                                const char *textKey, LogSwitch which) {
    box = new QCheckBox(this);
    box->setObjectName(boxName);
    box->setGeometry(13, top, 17, 17);
    label = newLabel(this, labelName, 35, top, 200);
    label->setText(uiText(textKey));
    label->setBuddy(box);
    connect(box, &QCheckBox::clicked, this,
            [box, &log, which] { log.setOn(which, box->isChecked()); });
  };
  logSwitch(m_logCommandsCheck, "logCommandsCheck", m_logCommandsLabel,
            "logCommandsLabel", 36, "UiLogCommand", LogSwitch::Commands);
  logSwitch(m_logPacketSizeCheck, "logPacketSizeCheck", m_logPacketSizeLabel,
            "logPacketSizeLabel", 62, "UiLogPacketSize", LogSwitch::PacketSize);
}

void LogPage::load(const Settings &) {
  m_logCommandsCheck->setChecked(false);
  m_logPacketSizeCheck->setChecked(false);
}

void LogPage::store(Settings &) const {}
