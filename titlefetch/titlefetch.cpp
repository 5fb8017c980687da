#include "titlefetch/titlefetch.h"

#include <algorithm>
#include <cstring>

#include "titlefetch/cddb.h"
#include "titlefetch/cddb_text.h"

namespace {

// The script servers take submissions with: "submit.cgi" in the folder of
// the query script.
TITLEFETCH_TSite SubmitSite(const TITLEFETCH_TSite& site) {
    TITLEFETCH_TSite submitSite = site;
    const std::string path(FieldText(site.cgiPath));
    const std::size_t slash = path.rfind('/');
    const std::string submitPath = (slash == std::string::npos ? "/" : path.substr(0, slash + 1)) + "submit.cgi";
    std::memset(submitSite.cgiPath, 0, sizeof submitSite.cgiPath);
    std::memcpy(submitSite.cgiPath, submitPath.data(), std::min(submitPath.size(), sizeof submitSite.cgiPath - 1));
    return submitSite;
}

template <class Record>
void DeallocList(MvList<Record*>* list, bool deleteList) {
    if (list == nullptr) return;
    DeleteRecordsAndEmpty(*list);
    if (deleteList) delete list;
}

void AddText(MvList<CCOMString*>& list, const char* text) {
    auto* copy = new CCOMString(text);
    if (!list.Append(copy)) delete copy;
}

}  // namespace

TITLEFETCH_CTitlefetch::TITLEFETCH_CTitlefetch() = default;

TITLEFETCH_CTitlefetch::TITLEFETCH_CTitlefetch(const TITLEFETCH_CTitlefetch& other) {
    std::lock_guard guard(other.m_lock);
    m_settings = other.m_settings;
    m_logFileName = other.m_logFileName;
    m_logFile = other.m_logFile;
}

TITLEFETCH_CTitlefetch& TITLEFETCH_CTitlefetch::operator=(const TITLEFETCH_CTitlefetch& other) {
    if (this == &other) return *this;
    std::scoped_lock guard(m_lock, other.m_lock);
    m_settings = other.m_settings;
    m_logFileName = other.m_logFileName;
    m_logFile = other.m_logFile;
    return *this;
}

TITLEFETCH_CTitlefetch::~TITLEFETCH_CTitlefetch() = default;

void TITLEFETCH_CTitlefetch::SetSite(const TITLEFETCH_TSite* site) {
    std::lock_guard guard(m_lock);
    m_settings.site = site != nullptr ? *site : MakeDefaultSite();
}

void TITLEFETCH_CTitlefetch::SetProtocolLevel(std::int32_t level) {
    std::lock_guard guard(m_lock);
    m_settings.protocolLevel = level;
}

void TITLEFETCH_CTitlefetch::SetUserEmail(const char* address) {
    std::lock_guard guard(m_lock);
    m_settings.email = address != nullptr ? address : "";
}

void TITLEFETCH_CTitlefetch::SetTimeout(std::uint32_t ms) {
    std::lock_guard guard(m_lock);
    m_settings.timeoutMs = ms;
}

TITLEFETCH_CTitlefetch::Settings TITLEFETCH_CTitlefetch::CurrentSettings() const {
    std::lock_guard guard(m_lock);
    return m_settings;
}

namespace {

// A fresh client for one call: default settings but for the protocol level,
// the e-mail address and the time-out.
template <class Settings>
CCDDB ClientFor(const Settings& settings) {
    CCDDB cddb;
    cddb.setTimeout(settings.timeoutMs);
    cddb.setCDDBProtocolVersion(settings.protocolLevel);
    cddb.setEmail(settings.email.c_str());
    return cddb;
}

}  // namespace

bool TITLEFETCH_CTitlefetch::HasConnection() {
    const Settings settings = CurrentSettings();
    return ClientFor(settings).hasConnection(settings.site);
}

std::uint32_t TITLEFETCH_CTitlefetch::GetDiscID(const MvList<PLATTER_TTrackPos*>& tracks) {
    return CCDDB().computeDiscID(tracks);
}

int TITLEFETCH_CTitlefetch::SearchForDiscID(std::uint32_t discId, const MvList<PLATTER_TTrackPos*>& tracks,
                                            std::int32_t discLengthSeconds, MvList<TITLEFETCH_TQResult*>& results) {
    const Settings settings = CurrentSettings();
    return ClientFor(settings).query(settings.site, discId, tracks, discLengthSeconds, results);
}

int TITLEFETCH_CTitlefetch::GetDiscRecord(std::uint32_t discId, const char* genre, TITLEFETCH_TRResult& record) {
    const Settings settings = CurrentSettings();
    return ClientFor(settings).read(settings.site, discId, genre, record);
}

bool TITLEFETCH_CTitlefetch::GetSiteList(MvList<TITLEFETCH_TSite*>& sites) {
    const Settings settings = CurrentSettings();
    CCDDB cddb = ClientFor(settings);
    if (!cddb.hasConnection(settings.site)) {
        // Offline the user can still pick the default server.
        auto* site = new TITLEFETCH_TSite(MakeDefaultSite());
        if (!sites.Append(site)) delete site;
        return true;
    }
    return cddb.getSites(sites, settings.site);
}

bool TITLEFETCH_CTitlefetch::GetGenreList(MvList<TITLEFETCH_TGenre*>& genres) {
    const Settings settings = CurrentSettings();
    return ClientFor(settings).getGenres(settings.site, genres);
}

bool TITLEFETCH_CTitlefetch::Submit(const TITLEFETCH_TSite& site, const char* genre, const char* email,
                                    const MvList<PLATTER_TTrackPos*>& tracks, TITLEFETCH_TRResult& record,
                                    const char* note, bool submitMode) {
    return ClientFor(CurrentSettings()).submit(SubmitSite(site), genre, email, tracks, record, note, submitMode);
}

bool TITLEFETCH_CTitlefetch::SetLogFile(const char* fileName) {
    std::lock_guard guard(m_lock);
    m_logFile.reset();
    m_logFileName = fileName != nullptr ? fileName : "";
    if (fileName == nullptr) return true;
    std::FILE* file = std::fopen(fileName, "w");
    if (file == nullptr) return false;
    m_logFile.reset(file, [](std::FILE* open) { std::fclose(open); });
    return true;
}

CCOMString TITLEFETCH_CTitlefetch::GetLastError() { return CCOMString(); }

void TITLEFETCH_CTitlefetch::DeallocTrackPosList(MvList<PLATTER_TTrackPos*>* list, bool deleteList) {
    DeallocList(list, deleteList);
}

void TITLEFETCH_CTitlefetch::DeallocQueryResultList(MvList<TITLEFETCH_TQResult*>* list, bool deleteList) {
    DeallocList(list, deleteList);
}

void TITLEFETCH_CTitlefetch::DeallocSiteList(MvList<TITLEFETCH_TSite*>* list, bool deleteList) {
    DeallocList(list, deleteList);
}

void TITLEFETCH_CTitlefetch::DeallocGenreList(MvList<TITLEFETCH_TGenre*>* list, bool deleteList) {
    DeallocList(list, deleteList);
}

void TITLEFETCH_CTitlefetch::DeallocRecord(TITLEFETCH_TRResult& record) {
    DeleteRecordTexts(record.trackTitles);
    DeleteRecordTexts(record.extendedTrackData);
}

void TITLEFETCH_CTitlefetch::AddTitleToRecord(TITLEFETCH_TRResult& record, const char* text) {
    AddText(record.trackTitles, text);
}

void TITLEFETCH_CTitlefetch::AddExtDataToRecord(TITLEFETCH_TRResult& record, const char* text) {
    AddText(record.extendedTrackData, text);
}
