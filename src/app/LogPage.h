#pragma once
// The settings dialog's log page, shown when the program was started with
// "-log": the switches of the event log (common/EventLog). A click turns a
// switch on or off at once, for this run; nothing is written.

#include "app/SettingsPage.h"

class EventLog;

class QCheckBox;
class QLabel;

class LogPage : public SettingsPage {
  Q_OBJECT
public:
  // log: the logger whose switches the boxes turn.
  explicit LogPage(EventLog &log, QWidget *parent = nullptr);

  // Both boxes start unticked, whatever the switches hold.
  void load(const Settings &settings) override;
  // Nothing: a switch took its box's state when it was clicked, and Cancel
  // leaves it so.
  void store(Settings &edited) const override;

private:
  QLabel *m_logFileLabel = nullptr, *m_logCommandsLabel = nullptr,
         *m_logPacketSizeLabel = nullptr;
  QCheckBox *m_logCommandsCheck = nullptr, *m_logPacketSizeCheck = nullptr;
};
