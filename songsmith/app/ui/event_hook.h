#pragma once
// CEventHook: hands a watched object's events to a function, for pages that
// react to their controls' events without a class of their own per control.
// It lives as long as the watched object.

#include <QEvent>
#include <QObject>
#include <functional>

class CEventHook : public QObject {
public:
    // True from hook keeps the event from the watched object.
    using THook = std::function<bool(QEvent*)>;
    CEventHook(QObject* watched, THook hook) : QObject(watched), hook_(std::move(hook)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override { return hook_(event); }

private:
    THook hook_;
};
