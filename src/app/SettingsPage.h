#pragma once
// One page of the settings dialog: its widgets, filled from the settings
// held and stored into the values the dialog saves.

#include <QWidget>

class QGroupBox;
class QLabel;
class Settings;

class SettingsPage : public QWidget {
  Q_OBJECT
public:
  using QWidget::QWidget;

  // Fills the fields from the values held.
  virtual void load(const Settings &settings) = 0;
  // Puts the fields' values into edited, which the dialog then saves. The
  // dialog has checked the typed fields first.
  virtual void store(Settings &edited) const = 0;
  // The page comes forward: fields that always open on the held value take
  // it again.
  virtual void pageShown(const Settings &held) { Q_UNUSED(held); }
  // Sets the page's texts in the language in use.
  virtual void retranslate() {}

protected:
  // Groups line up with the banner above them. Labels sit over their
  // fields, so a long translation never pushes a field out of line: every
  // field of a group starts at the same left edge.
  static constexpr int kFieldLeft = 12;
  static constexpr int kFieldWidth = 304;

  static QLabel *newLabel(QWidget *parent, const char *name, int left, int top,
                          int width);
  static QGroupBox *newGroup(QWidget *parent, const char *name, int top,
                             int height);
};
