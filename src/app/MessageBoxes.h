#pragma once
// The program's message boxes, behind one interface so tests can answer
// them. The creator of the main window owns the one in use and hands it to
// every window that shows a message.
#include <QString>
#include <QStringList>

class QWidget;

enum class MessageKind { Information, Warning, Error };

class MessageBoxes {
public:
  virtual ~MessageBoxes() = default;

  virtual void show(QWidget *parent, MessageKind kind, const QString &caption,
                    const QString &text) = 0;
  // A question with the buttons' captions, the first one the default and
  // the last one what Escape or closing the box gives. Returns the index of
  // the button chosen.
  virtual int ask(QWidget *parent, const QString &caption, const QString &text,
                  const QStringList &buttons) = 0;
};

// The boxes of QMessageBox, modal to their parent.
class QtMessageBoxes : public MessageBoxes {
public:
  void show(QWidget *parent, MessageKind kind, const QString &caption,
            const QString &text) override;
  int ask(QWidget *parent, const QString &caption, const QString &text,
          const QStringList &buttons) override;
};
