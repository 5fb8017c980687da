#pragma once
// Another CD writing package whose drivers are known to fight with the
// program's drive access: when its driver files lie in the system folder,
// the log says so (a hint for support; the program goes on).

#include <string>

// Looks for "IOSUBSYS/C2APIX.VXD", failing that "IOSUBSYS/C2REC.VXD", in
// systemFolder (empty: the Windows folder of platform/shared_dlls.h, which on
// this system exists only as a name). True, with a log line, when one is
// there.
bool CheckConflictingCDSoftware(const std::string& systemFolder = {});
