#pragma once
// The CD page's rows as the Edit CD Track Tag dialog sees them: copies of
// each row's tag texts, the rows' count and the disc's ID as the page
// follows the drive, and the edited texts written back into the rows.

#include <string>

#include "songsmith/cd/cd_tag_rows.h"

class CCdDisc;

class CCdDiscTagPage final : public ICDTagPage {
public:
    // disc stays the page's; driveText names the drive in the dialog's
    // question.
    CCdDiscTagPage(CCdDisc& disc, std::string driveText)
        : disc_(disc), driveText_(std::move(driveText)) {}

    std::vector<TCDTagRow> CopyTagRows() const override;
    int TagRowCount() const override;
    // Writes the texts into the first rows and tells the page to redraw.
    void TakeTagRows(std::span<const TCDTagRow> rows) override;
    std::uint32_t DriveDiscId() const override;
    std::string DriveText() const override { return driveText_; }

private:
    CCdDisc& disc_;
    std::string driveText_;
};
