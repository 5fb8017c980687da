#include "songsmith/cd/cd_lookup_answers.h"

#include "songsmith/cd/cd_page_services.h"
#include "titlefetch/titlefetch.h"

CDiscMatches::~CDiscMatches() { Clear(); }

void CDiscMatches::Clear() { ProgramTitlefetch().DeallocQueryResultList(&list, false); }

CDiscRecord::~CDiscRecord() { ProgramTitlefetch().DeallocRecord(record); }

const char* CDiscRecord::TrackTitle(int index) const {
    if (index < 0 || index >= record.trackTitles.count) return nullptr;
    const CCOMString* title = record.trackTitles.items[index];
    return title == nullptr ? nullptr : title->GetString();
}

bool CDiscRecord::HasGaps() const {
    return record.artist[0] == '\0' || record.title[0] == '\0' || record.year == 0 || record.genre[0] == '\0';
}
