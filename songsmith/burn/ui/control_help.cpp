#include "songsmith/burn/ui/control_help.h"

#include <QWidget>

#include "songsmith/app/ui_services.h"

int ControlHelpTopic(QWidget* dialog, QWidget* control, std::span<const TControlTopic> topics) {
    for (QWidget* widget = control; widget != nullptr && widget != dialog;
         widget = widget->parentWidget()) {
        bool isNumber = false;
        const int id = widget->objectName().toInt(&isNumber);
        if (!isNumber) continue;
        for (const TControlTopic& entry : topics) {
            if (entry.control == id) return entry.topic;
        }
    }
    return 0;
}

bool ShowFocusedControlHelp(QWidget* dialog, std::span<const TControlTopic> topics) {
    QWidget* focused = dialog->focusWidget();
    const int topic = ControlHelpTopic(dialog, focused, topics);
    if (topic == 0) return false;
    GetUiServices().ShowHelpPopup(topic, focused);
    return true;
}
