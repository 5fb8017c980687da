#pragma once
// Where the version check asks for the latest version, and the general
// download page it offers when the answer cannot be used.

#include <string>

struct TVersionCheckAddresses {
    // A two-line text file: the latest version as dotted numbers, then the
    // address of its download page.
    std::string versionFile = "https://songsmith.trackpress.example/version/songsmith_version.txt";
    std::string downloadPage = "https://songsmith.trackpress.example/download/";
};

// The addresses the next version check uses.
TVersionCheckAddresses VersionCheckAddresses();
// Points the check elsewhere (tests use a server on the loopback address).
void SetVersionCheckAddresses(TVersionCheckAddresses addresses);
