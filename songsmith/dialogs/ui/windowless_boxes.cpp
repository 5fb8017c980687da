#include "songsmith/dialogs/ui/windowless_boxes.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <string>

#include "platform/message_box.h"
#include "songsmith/dialogs/message_boxes.h"

namespace {

bool OnGuiThread() {
    return QCoreApplication::instance() == nullptr ||
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

std::int32_t ShowWindowlessMessageBox(void* owner, const char* text, const char* caption,
                                      std::uint32_t type) {
    if (OnGuiThread()) return ShowMessageText(owner, text, type, caption);
    // Widgets live on the GUI thread only; the caller waits for the answer.
    std::int32_t answer = IDCANCEL;
    const std::string textCopy = text != nullptr ? text : "";
    const std::string captionCopy = caption != nullptr ? caption : "";
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] { answer = ShowMessageText(nullptr, textCopy.c_str(), type, captionCopy.c_str()); },
        Qt::BlockingQueuedConnection);
    return answer;
}

void ShowEngineNotice(const char* text, const char* caption) {
    if (OnGuiThread()) {
        ShowMessageText(nullptr, text, MB_OK | MB_ICONWARNING, caption);
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [textCopy = std::string(text != nullptr ? text : ""),
         captionCopy = std::string(caption != nullptr ? caption : "")] {
            ShowMessageText(nullptr, textCopy.c_str(), MB_OK | MB_ICONWARNING, captionCopy.c_str());
        },
        Qt::QueuedConnection);
}
