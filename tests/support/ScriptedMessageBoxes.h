#pragma once
// Message boxes for tests: nothing is shown; each message goes to onShow
// and each question to onAsk, which gives the button chosen (without one,
// the last button, as Escape would).
#include "app/MessageBoxes.h"

#include <functional>

class ScriptedMessageBoxes : public MessageBoxes {
public:
  std::function<void(MessageKind, const QString &caption, const QString &text)>
      onShow;
  std::function<int(const QString &text, const QStringList &buttons)> onAsk;

  void show(QWidget *, MessageKind kind, const QString &caption,
            const QString &text) override {
    if (onShow)
      onShow(kind, caption, text);
  }
  int ask(QWidget *, const QString &, const QString &text,
          const QStringList &buttons) override {
    return onAsk ? onAsk(text, buttons) : int(buttons.size()) - 1;
  }
};
