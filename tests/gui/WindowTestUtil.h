#pragma once
// Finding and driving a window's controls by their object names, for the window tests.

#include <QAbstractButton>
#include <QLineEdit>
#include <QString>
#include <QWidget>

namespace txgui {

// The control named `name` inside `w`; a missing control ends the test run.
template <class T = QWidget>
T* child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromUtf8(name));
    if (!c) qFatal("no control %s", name);
    return c;
}

inline void type(QWidget& w, const char* name, const QString& text) { child<QLineEdit>(w, name)->setText(text); }
inline QString textOf(QWidget& w, const char* name) { return child<QLineEdit>(w, name)->text(); }
inline void press(QWidget& w, const char* name) { child<QAbstractButton>(w, name)->click(); }

}  // namespace txgui
