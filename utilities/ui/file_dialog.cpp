#include "utilities/ui/file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstring>
#include <string>

#include "platform/last_error.h"
#include "utilities/errors.h"
#include "utilities/ui/center_window.h"

namespace {

// The pieces of a Windows filter string, in order.
QStringList FilterPieces(const char* filter) {
    QStringList pieces;
    if (filter == nullptr) return pieces;
    if (std::strchr(filter, '|') != nullptr) {
        pieces = QString::fromUtf8(filter).split('|');
        // The last '|' ends a piece; it does not start an empty one.
        if (!pieces.isEmpty() && pieces.back().isEmpty()) pieces.pop_back();
        return pieces;
    }
    for (const char* piece = filter; *piece != '\0'; piece += std::strlen(piece) + 1) {
        pieces.push_back(QString::fromUtf8(piece));
    }
    return pieces;
}

QString QtFilter(QString description, const QString& patterns) {
    const QString qtPatterns = patterns.split(';', Qt::SkipEmptyParts).join(' ').trimmed();
    static const QRegularExpression trailingGroup(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    description.remove(trailingGroup);
    if (description.isEmpty()) return qtPatterns;
    return description + " (" + qtPatterns + ")";
}

bool StoreText(const std::string& text, char* out, int size) {
    if (out == nullptr) return true;
    if (text.size() + 1 > static_cast<std::size_t>(size)) return false;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

QStringList QtFiltersFromWindowsFilter(const char* filter) {
    const QStringList pieces = FilterPieces(filter);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        filters.push_back(QtFilter(pieces[i], pieces[i + 1]));
    }
    return filters;
}

bool WriteChosenFiles(const QStringList& chosen, char* file, char* title, int size) {
    if (chosen.isEmpty() || file == nullptr || size <= 0) return false;
    std::string result;
    std::string name;
    if (chosen.size() == 1) {
        result = QDir::cleanPath(chosen.front()).toStdString();
        name = QFileInfo(chosen.front()).fileName().toStdString();
    } else {
        // folder NUL name NUL ... NUL NUL, the terminator giving the last NUL.
        result = QFileInfo(chosen.front()).absolutePath().toStdString();
        result.push_back('\0');
        for (const QString& path : chosen) {
            result += QFileInfo(path).fileName().toStdString();
            result.push_back('\0');
        }
    }
    if (result.size() + 1 > static_cast<std::size_t>(size) || name.size() + 1 > static_cast<std::size_t>(size)) {
        SetLastError(UTILITIES_ERR_NAMES_TOO_LONG);
        return false;
    }
    std::memcpy(file, result.data(), result.size());
    file[result.size()] = '\0';
    return StoreText(name, title, size);
}

QStringList RunStandardFileDialog(QWidget* owner, bool open, const char* filter,
                                  const char* defaultExtension, const char* caption,
                                  const char* initialFolder, const QString& proposedName,
                                  int* filterIndex, bool multiSelect) {
    QFileDialog dialog(owner, caption != nullptr ? QString::fromUtf8(caption) : QString(),
                       initialFolder != nullptr ? QString::fromUtf8(initialFolder) : QString());
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (open) {
        dialog.setFileMode(multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    } else {
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    const QStringList filters = QtFiltersFromWindowsFilter(filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = filterIndex != nullptr ? *filterIndex : 1;
        if (index >= 1 && index <= filters.size()) dialog.selectNameFilter(filters[index - 1]);
    }
    if (defaultExtension != nullptr && *defaultExtension != '\0') {
        dialog.setDefaultSuffix(QString::fromUtf8(defaultExtension));
    }
    if (!proposedName.isEmpty()) dialog.selectFile(proposedName);
    dialog.adjustSize();
    CenterWindow(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted) return {};
    if (filterIndex != nullptr && !filters.isEmpty()) {
        *filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    }
    return dialog.selectedFiles();
}

int DoStandardFileDialog(void* /*instance*/, QWidget* owner, char* file, char* title, int size,
                         bool open, const char* filter, const char* defaultExtension,
                         const char* caption, const char* initialFolder, int* filterIndex,
                         bool multiSelect) {
    if (file == nullptr || size <= 0) return 0;
    // The buffer's text on entry is the proposed file name.
    const std::string proposed(file, strnlen(file, static_cast<std::size_t>(size)));
    const QStringList chosen =
        RunStandardFileDialog(owner, open, filter, defaultExtension, caption, initialFolder,
                              QString::fromStdString(proposed), filterIndex, multiSelect);
    return WriteChosenFiles(chosen, file, title, size) ? 1 : 0;
}
