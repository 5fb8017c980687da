#pragma once
// F1 on a dialog's control: the short help of the control's topic, shown at
// the control through the UI services. A dialog lists its controls and
// their topics; a control without a topic of its own takes the one of the
// nearest listed control that contains it (the edit field inside a combo
// box, a frame's children).

#include <span>

class QWidget;

struct TControlTopic {
    int control;
    int topic;
};

// The topic of control or of the nearest listed control around it inside
// dialog; 0 when none.
int ControlHelpTopic(QWidget* dialog, QWidget* control, std::span<const TControlTopic> topics);

// Shows the topic's short help at the control that has the keyboard focus
// in dialog; true when there was a topic to show.
bool ShowFocusedControlHelp(QWidget* dialog, std::span<const TControlTopic> topics);
