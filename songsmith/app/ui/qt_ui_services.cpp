#include "songsmith/app/ui/qt_ui_services.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QThread>
#include <QString>
#include <QUrl>
#include <QWhatsThis>
#include <QWidget>

#include "filekit/log.h"
#include "platform/message_box.h"
#include "songsmith/app/help_pages.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/system/mixer_program.h"
#include "songsmith/dialogs/ui/message_box.h"
#include "songsmith/app/ui/prog_string.h"
#include "utilities/launch_browser.h"
#include "utilities/ui/file_dialog.h"

namespace {

QWidget* Window(void* owner) { return static_cast<QWidget*>(owner); }

// The index page, at anchor when one is given.
void OpenHelpPage(const std::string& anchor) {
    const std::string index = HelpIndexPath();
    if (index.empty()) {
        Log("Help: no help pages beside the program");
        return;
    }
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(index));
    if (!anchor.empty()) url.setFragment(QString::fromStdString(anchor));
    LaunchBrowser(url.toString(QUrl::FullyEncoded).toUtf8().constData());
}

}  // namespace

TMessageAnswer CQtUiServices::ShowMessage(void* owner, const TMessageRequest& request) {
    CMessageBox box(request);
    return box.DoModal(Window(owner));
}

std::vector<std::string> CQtUiServices::ChooseFile(void* owner, const TFileChooserRequest& request) {
    const QStringList chosen = RunStandardFileDialog(
        Window(owner), request.open, request.filter.c_str(), request.defaultExtension.c_str(),
        request.title.c_str(), request.initialFolder.c_str(),
        QString::fromStdString(request.proposedName), nullptr, request.open && request.multiSelect);
    std::vector<std::string> paths;
    for (const QString& path : chosen) paths.push_back(path.toStdString());
    return paths;
}

std::string CQtUiServices::ChooseFolder(void* owner, const char* titleKey, const char* startFolder) {
    const QString folder = QFileDialog::getExistingDirectory(
        Window(owner), ProgString(titleKey), QString::fromUtf8(startFolder != nullptr ? startFolder : ""));
    return folder.toStdString();
}

bool CQtUiServices::OpenUrl(const char* url) { return LaunchBrowser(url); }

bool CQtUiServices::OpenFolder(const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    const QUrl url = QUrl::fromLocalFile(QString::fromUtf8(path));
    return LaunchBrowser(url.toString(QUrl::FullyEncoded).toUtf8().constData());
}

void CQtUiServices::ShowHelpContents() { OpenHelpPage({}); }

void CQtUiServices::ShowHelpContext(std::int32_t context) { OpenHelpPage(HelpContextAnchor(context)); }

// The text shows where the control is, as a tooltip-like note that any
// click closes.
void CQtUiServices::ShowHelpPopup(std::int32_t topic, void* control) {
    const std::string text = HelpPopupText(topic);
    if (text.empty()) return;
    QWidget* widget = Window(control);
    const QPoint at = widget != nullptr ? widget->mapToGlobal(widget->rect().center()) : QPoint();
    QWhatsThis::showText(at, QString::fromStdString(text), widget);
}

void CQtUiServices::StartMixerProgram() { ::StartMixerProgram(); }

// The desktop keeps no list of recent documents that the program could add
// to in a portable way.
void CQtUiServices::AddRecentDocument(const char* /*path*/) {}

void ReportNoDesktopOpener(const char* url) {
    const char* address = url != nullptr ? url : "";
    LogFmt("Could not open %s: the desktop's opener (%s) could not be started", address, kDesktopOpener);
    const QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() != application->thread()) return;
    const std::string caption = KeyedText("NoOpener_Title");
    ShowFileMessageKey(nullptr, "NoOpener", address, MB_OK | MB_ICONWARNING, caption.c_str());
}
