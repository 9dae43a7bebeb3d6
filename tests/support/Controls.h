#pragma once

#include <QObject>
#include <QString>
#include <QWidget>
#include <stdexcept>
#include <string>

namespace qsr::testing {

namespace detail {

// The window a control belongs to: the nearest window among its ancestors
// (a non-widget such as a timer takes its parent's).
inline const QWidget* WindowOf(const QObject* o) {
    for (; o; o = o->parent())
        if (o->isWidgetType()) return static_cast<const QWidget*>(o)->window();
    return nullptr;
}

}  // namespace detail

// A window's control found by its object name, as a user-level tool sees it.
// Only controls of `root`'s own window count, so a child dialog's control of
// the same name never answers; none or two of that name throws (the test fails).
template <class T>
T* Control(const QWidget& root, const QString& name) {
    T* found = nullptr;
    for (T* c : root.findChildren<T*>(name)) {
        if (detail::WindowOf(c) != root.window()) continue;
        if (found) throw std::logic_error("two controls named " + name.toStdString());
        found = c;
    }
    if (!found) throw std::logic_error("no control named " + name.toStdString());
    return found;
}

template <class T>
T* Control(const QWidget& root, const std::string& name) {
    return Control<T>(root, QString::fromStdString(name));
}

template <class T>
T* Control(const QWidget& root, const char* name) {
    return Control<T>(root, QString::fromUtf8(name));
}

}  // namespace qsr::testing
