#include "songsmith/cd/cd_disc_tag_page.h"

#include "songsmith/cd/cd_disc.h"

std::vector<TCDTagRow> CCdDiscTagPage::CopyTagRows() const {
    std::vector<TCDTagRow> rows;
    for (int i = 0; i < disc_.RowCount(); ++i) {
        if (const TONECORE_CMusicInfo* info = disc_.GetTrackMusicInfo(i); info != nullptr)
            rows.push_back(CdTagRowFromInfo(*info));
    }
    return rows;
}

int CCdDiscTagPage::TagRowCount() const {
    return disc_.RowCount();
}

void CCdDiscTagPage::TakeTagRows(std::span<const TCDTagRow> rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (TONECORE_CMusicInfo* info = disc_.GetTrackMusicInfo(static_cast<int>(i));
            info != nullptr)
            StoreCdTagRow(rows[i], *info);
    }
    if (disc_.changed) disc_.changed();
}

std::uint32_t CCdDiscTagPage::DriveDiscId() const {
    return disc_.DiscId();
}
