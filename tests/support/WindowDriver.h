#pragma once
// Drives a window in GUI tests as a user would: through its controls, found
// by object name. A control that is not there ends the test run with a
// message naming it, rather than a crash on a null pointer.
#include <QAction>
#include <QMetaObject>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace driver {

// The child of root of type T named name.
template <typename T = QWidget> T *find(const QObject &root, const char *name) {
  T *child = root.findChild<T *>(QString::fromLatin1(name));
  if (!child)
    qFatal("%s has no %s named \"%s\"", qPrintable(root.objectName()),
           T::staticMetaObject.className(), name);
  return child;
}

// Triggers the action named name, as a menu click does (nothing when it is
// disabled).
inline void trigger(const QObject &root, const char *name) {
  find<QAction>(root, name)->trigger();
}

// A left click at the centre of the widget named name, sent to its window
// as the pointer's would be: a disabled or covered control does not get it.
inline void click(QWidget &window, const char *name) {
  QWidget *w = find<QWidget>(window, name);
  QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                    w->mapTo(&window, w->rect().center()));
}

// Runs what the timer named name does when it times out, without waiting.
inline void fire(const QObject &root, const char *name) {
  QMetaObject::invokeMethod(find<QTimer>(root, name), "timeout");
}

} // namespace driver
