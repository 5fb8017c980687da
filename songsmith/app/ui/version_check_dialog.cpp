#include "songsmith/app/ui/version_check_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "filekit/internet_access.h"
#include "platform/message_box.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/program_title.h"
#include "songsmith/app/version_check_addresses.h"
#include "songsmith/app/ui/prog_string.h"
#include "utilities/ui/center_window.h"
#include "utilities/ui/dialog_units.h"
#include "utilities/ui/link_control.h"

namespace {

constexpr const char* kLocalFileName = "songsmith_version.txt";
// The dialog's size in dialog units.
constexpr int kWidthUnits = 280;
constexpr int kHeightUnits = 82;

class CVersionCheckWindow final : public QDialog {
public:
    CVersionCheckWindow(QWidget* owner, CVersionCheckDlg& dlg) : QDialog(owner), dlg_(dlg) {}
    void reject() override { dlg_.OnClose(); }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) dlg_.OnLeftButtonUp(event->position().toPoint());
        QDialog::mouseReleaseEvent(event);
    }

private:
    CVersionCheckDlg& dlg_;
};

// A template rectangle given by its left, top, width and height in dialog
// units.
QRect UnitRect(int left, int top, int width, int height) {
    return MapDialogRect(left, top, left + width, top + height);
}

QLabel* AddLabel(QDialog& dialog, int id, const QString& text, QRect place) {
    auto* label = new QLabel(text, &dialog);
    label->setObjectName(QString::number(id));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(place);
    return label;
}

bool IsWebAddress(const std::string& address) {
    return address.starts_with("http://") || address.starts_with("https://");
}

}  // namespace

CVersionCheckDlg::CVersionCheckDlg(MyInternetAccess& session, const CPreferences& prefs)
    : session_(session), prefs_(prefs), running_(ProgramVersionNumbers()) {
    timer_.setInterval(kVersionCheckTimerMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { OnTimer(); });
}

CVersionCheckDlg::~CVersionCheckDlg() {
    timer_.stop();
    download_.Join();
}

bool CVersionCheckDlg::DoModal(QWidget* owner) {
    bool openedSession = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (session_.IsOpen() == 0) {
        char agent[kProgramTitleMax + 1] = {};
        GetProgramTitle(agent, sizeof agent, true);
        openedSession = session_.Open(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr) == 1;
    }
    QApplication::restoreOverrideCursor();

    CVersionCheckWindow window(owner, *this);
    dialog_ = &window;
    OnInitDialog(window, owner);
    window.exec();
    timer_.stop();
    download_.Join();
    dialog_ = nullptr;
    if (openedSession) session_.Close();
    return true;
}

void CVersionCheckDlg::OnInitDialog(QDialog& dialog, QWidget* owner) {
    dialog_ = &dialog;
    dialog.setObjectName(QString::number(kVersionCheckDialogId));
    dialog.setFixedSize(UnitRect(0, 0, kWidthUnits, kHeightUnits).size());
    dialog.setWindowTitle(ProgString("VCD_Title"));

    struct TRow {
        int labelId;
        const char* labelKey;
        int valueId;
    };
    const TRow rows[] = {{kVersionStatusLabel, "VCD_Status", kVersionStatusText},
                         {kVersionYoursLabel, "VCD_YourVersion", kVersionYours},
                         {kVersionLatestLabel, "VCD_LatestVersion", kVersionLatest},
                         {kVersionPageLabel, "VCD_DownloadPage", kVersionPageLink}};
    int top = 7;
    for (const TRow& row : rows) {
        AddLabel(dialog, row.labelId, ProgString(row.labelKey), UnitRect(7, top, 70, 10));
        AddLabel(dialog, row.valueId, QString(), UnitRect(80, top, 193, 10));
        top += 12;
    }
    auto* ok = new QPushButton(ProgString("OK"), &dialog);
    ok->setObjectName(QString::number(IDOK));
    ok->setGeometry(UnitRect(kWidthUnits - 57, kHeightUnits - 21, 50, 14));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, [this] { OnClose(); });
    link_ = new CLinkControl(&dialog);
    link_->hide();

    SetStatus("VCD_Title");
    dialog.findChild<QLabel*>(QString::number(kVersionLatest))->setText(ProgString("VCD_Checking"));
    char version[32] = {};
    GetProgramVersionText(version, sizeof version);
    dialog.findChild<QLabel*>(QString::number(kVersionYours))->setText(QString::fromUtf8(version));

    CenterWindow(&dialog, owner);
    StartDownload();
    timer_.start();
}

void CVersionCheckDlg::StartDownload() {
    if (download_.Done()) return;
    std::string folder = prefs_.Marovelle_Temp_Dir;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    download_.Start(session_, VersionCheckAddresses().versionFile, folder + kLocalFileName);
}

void CVersionCheckDlg::OnTimer() {
    if (!download_.Done() || dialog_ == nullptr) return;
    ShowResult();
    timer_.stop();
}

void CVersionCheckDlg::ShowResult() {
    const TVersionFile& file = download_.Result();
    QLabel* latest = dialog_->findChild<QLabel*>(QString::number(kVersionLatest));
    // A file that did not arrive is as useless as one that names no
    // version: both offer the general download page.
    TVersionNumbers server;
    if (!file.downloaded || !ParseDottedVersion(file.latestVersion, server)) {
        SetStatus("VCD_StatusProb");
        latest->setText(QStringLiteral("?"));
        ShowLink(VersionCheckAddresses().downloadPage);
    } else {
        latest->setText(QString::fromUtf8(file.latestVersion.c_str()));
        // Only a web address from the server is offered; anything else
        // could start a program through the desktop's opener.
        ShowLink(IsWebAddress(file.downloadPage) ? file.downloadPage : VersionCheckAddresses().downloadPage);
        SetStatus(CompareVersionNumbers(server, running_) > 0 ? "VCD_TitleFound" : "VCD_TitleLatest");
    }
    shown_ = true;
    dialog_->update();
}

void CVersionCheckDlg::SetStatus(const char* key) {
    const QString text = ProgString(key);
    dialog_->setWindowTitle(text);
    dialog_->findChild<QLabel*>(QString::number(kVersionStatusText))->setText(text);
}

void CVersionCheckDlg::ShowLink(const std::string& address) {
    QWidget* place = dialog_->findChild<QWidget*>(QString::number(kVersionPageLink));
    // A long address is shown shortened in its middle to the room there is
    // before the dialog's edge; the link and its tip keep all of it.
    const QString whole = QString::fromUtf8(address.c_str());
    const QString shown = place != nullptr ? place->fontMetrics().elidedText(whole, Qt::ElideMiddle, place->width())
                                           : whole;
    link_->SubClass(place, shown.toUtf8().constData(), address.c_str());
    link_->setToolTip(whole);
}

void CVersionCheckDlg::OnClose() {
    download_.Cancel();
    timer_.stop();
    if (dialog_ != nullptr) dialog_->done(0);
}

void CVersionCheckDlg::OnLeftButtonUp(QPoint point) {
    if (!shown_ || link_ == nullptr || dialog_ == nullptr) return;
    if (link_->MouseOver(dialog_, point) != 0) link_->OpenLink();
}
