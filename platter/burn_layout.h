#pragma once
// The disc libburn writes, made from a write plan: one session of SAO
// audio tracks with the plan's sectors, the gap after a track written as
// the next track's pregap, and CD-Text (titles, ISO 8859-1) when the plan
// asks for it and the writer writes it.

#include <cstdint>
#include <vector>

#include "platter/burn_feed.h"  // libburn's type names
#include "platter/write_plan.h"


class CBurnLayout {
public:
    CBurnLayout() = default;
    ~CBurnLayout();
    CBurnLayout(const CBurnLayout&) = delete;
    CBurnLayout& operator=(const CBurnLayout&) = delete;

    // feeds: one per planned track, each with one reference that the layout
    // takes over (also when it fails). False when libburn refused a part.
    bool Build(const TWritePlan& plan, const std::vector<burn_source*>& feeds, bool withCdText);

    burn_disc* Disc() const { return disc_; }
    burn_session* Session() const { return session_; }

private:
    burn_disc* disc_ = nullptr;
    burn_session* session_ = nullptr;
};

// libburn's CD-Text language code for the one block we write (English, as
// the titles carry no language of their own).
inline constexpr int kCdTextLanguageEnglish = 0x09;
