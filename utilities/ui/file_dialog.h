#pragma once
// The standard open and save dialogs, called the way the program's dialogs
// call them: Windows filter strings and results in the caller's buffers.

#include <QStringList>

class QWidget;

// Qt name filters ("Text (*.txt)") from a Windows filter string: pairs of a
// description and its patterns, each piece ended by '|' ("Text
// (*.txt)|*.txt|Songs|*.mp3;*.wav|") or by a NUL with a second NUL at the
// end. Patterns separated by ';' become a space-separated list; a
// description that already ends in "(...)" has that part replaced by the
// real patterns, so what the list shows is also what it filters.
QStringList QtFiltersFromWindowsFilter(const char* filter);

// Writes the chosen files into file (size bytes) the way the platform's
// dialog did: one file as its full path, with its name in title (size bytes,
// may be null); several files as the folder, then each name, each ended by a
// NUL, with a second NUL at the end (title left empty). False when they do
// not fit (the thread's last error then says so) or nothing was chosen.
bool WriteChosenFiles(const QStringList& chosen, char* file, char* title, int size);

// Shows the open (open true: the files must exist) or save (asks before
// overwriting) dialog over owner, centred on it, offering proposedName, and
// returns the chosen files' full paths; empty when it was cancelled. The
// filter index is 1-based and is written back.
QStringList RunStandardFileDialog(QWidget* owner, bool open, const char* filter,
                                  const char* defaultExtension, const char* caption,
                                  const char* initialFolder, const QString& proposedName,
                                  int* filterIndex, bool multiSelect);

// Shows the open (open true: the files must exist) or save (asks before
// overwriting) dialog over owner, centred on it. file holds the proposed
// name on entry and the result on exit; the filter index is 1-based and is
// written back. multiSelect lets the open dialog return several files (see
// WriteChosenFiles). instance is accepted for the callers' sake. Returns 1
// when files were chosen and stored, 0 when the dialog was cancelled or the
// names do not fit.
int DoStandardFileDialog(void* instance, QWidget* owner, char* file, char* title, int size,
                         bool open, const char* filter, const char* defaultExtension,
                         const char* caption, const char* initialFolder, int* filterIndex,
                         bool multiSelect = false);
