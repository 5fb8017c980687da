#pragma once
// SGSMarovelle: the description of the song store that the program hands to
// SVTENG_CSongvault::Initialize. It names the store's file inside the
// library folder.

class SGSMarovelle {
public:
    SGSMarovelle() = default;

    // The store's file name, without a folder.
    const char* FileName() const { return "Marovelle.mdb"; }
};
