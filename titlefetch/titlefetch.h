#pragma once
// TITLEFETCH_CTitlefetch: the title lookup library's facade, the only part of
// titlefetch the program calls. It reads a CD's track times, computes CDDB
// disc IDs, looks titles up on a CDDB server through CCDDB, keeps the local
// title cache and frees the records and lists it hands out.
//
// The program keeps one object for its whole run and calls it from several
// threads at once. Every server call builds a fresh CCDDB from a copy of the
// facade's settings (site, protocol level, e-mail address), taken under a
// lock, and uses it only for that call, so calls never share a connection or
// a buffer.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "titlefetch/cddb_records.h"
#include "titlefetch/disc_record.h"
#include "titlefetch/ini_entry.h"
#include "titlefetch/mv_list.h"
#include "titlefetch/site.h"
#include "titlefetch/track_pos.h"
#include "utilities/com_string.h"

class TITLEFETCH_CTitlefetch {
public:
    // Protocol level 6 answers in UTF-8, so titles keep every character.
    static constexpr std::int32_t kDefaultProtocolLevel = 6;

    TITLEFETCH_CTitlefetch();
    TITLEFETCH_CTitlefetch(const TITLEFETCH_CTitlefetch& other);
    TITLEFETCH_CTitlefetch& operator=(const TITLEFETCH_CTitlefetch& other);
    virtual ~TITLEFETCH_CTitlefetch();

    // Settings for every later server call. A null site means the default
    // site (the default server, port 80, "/~cddb/cddb.cgi").
    void SetSite(const TITLEFETCH_TSite* site);
    void SetProtocolLevel(std::int32_t level);
    // The address the hello text names; empty or null sends the logon and
    // host names instead.
    void SetUserEmail(const char* address);
    // How long each server call waits for the server at each step
    // (connecting, sending, every pause in the answer).
    void SetTimeout(std::uint32_t ms);
    static constexpr std::uint32_t kDefaultTimeoutMs = 2000;

    // Whether a TCP connection to the site can be made.
    bool HasConnection();
    // Replaces the list's records with the disc's track times: one entry per
    // track (its start, and the distance from the previous start, the first
    // from 0:00:00), then a closing entry one frame past the last track's
    // end, whose length is that track's plus one frame. driveText is a drive's
    // device path or a ".cue" image; null is the default drive. Data tracks
    // of a later session are left out. Each step logs its failure; the list
    // is then empty and the result false.
    bool GetTrackTimes(MvList<PLATTER_TTrackPos*>& tracks, const char* driveText);
    // The CDDB disc ID of a track list (one entry per track).
    std::uint32_t GetDiscID(const MvList<PLATTER_TTrackPos*>& tracks);
    // The matches for a disc (CCDDB::query on the site): a CDDBResult code.
    // The thread's last error then tells why it failed (as for
    // GetDiscRecord): a 5xx status leaves CDDB_ERR_SERVER_REFUSED, CDDB's
    // own 530 CDDB_ERR_SERVER_ERROR, a redirect not followed
    // CDDB_ERR_REDIRECTED, an answer that could not be read
    // CDDB_ERR_BAD_ANSWER and one that never came CDDB_ERR_TIMED_OUT.
    int SearchForDiscID(std::uint32_t discId, const MvList<PLATTER_TTrackPos*>& tracks,
                        std::int32_t discLengthSeconds, MvList<TITLEFETCH_TQResult*>& results);
    // The disc's record in genre (CCDDB::read on the site): a CDDBResult code.
    int GetDiscRecord(std::uint32_t discId, const char* genre, TITLEFETCH_TRResult& record);
    // The site's list of servers. Without a connection to the site, one
    // default site is appended and the result is true.
    bool GetSiteList(MvList<TITLEFETCH_TSite*>& sites);
    bool GetGenreList(MvList<TITLEFETCH_TGenre*>& genres);
    // Sends the record to the submission script beside site's CGI path
    // ("submit.cgi"): for real when submitMode is set, else as a test the
    // server only checks. True when the server took it.
    bool Submit(const TITLEFETCH_TSite& site, const char* genre, const char* email,
                const MvList<PLATTER_TTrackPos*>& tracks, TITLEFETCH_TRResult& record, const char* note,
                bool submitMode);

    // Creates (or empties) the named file and keeps it open; null closes
    // it. Nothing is written into it: the library logs through the
    // program's log. False when the file cannot be created.
    bool SetLogFile(const char* fileName);
    // Always empty: errors come as codes and the thread's last error.
    CCOMString GetLastError();

    // The local title cache ("cdplayer.ini" in the per-user data folder).
    // Calls from every thread and every running program take turns on it.
    // Writes the entry's section, replacing any earlier section of the disc,
    // so that it then stands once, at the end of the file. False for an entry
    // without tracks (or with more than a disc holds), for disc ID 0 (which
    // no lookup can find) and when the file cannot be written; the file is
    // then as it was.
    bool AddCDPlayerINIEntry(const INI_TEntry& entry);
    // A new entry for the disc, freed through DeallocINIEntry; null when the
    // cache holds none (or only one without tracks).
    INI_TEntry* GetCDPlayerINIEntry(std::uint32_t discId);
    // Removes the disc's sections. False when the file cannot be read or
    // written (it is then as it was).
    bool DeleteCDPlayerINIEntry(std::uint32_t discId);
    // Frees an entry and its title strings; null is left alone.
    void DeallocINIEntry(INI_TEntry* entry);
    // The text of a cache line before its first '=', and after it; empty
    // when the line has none.
    void FindKey(const char* line, CCOMString& key);
    void FindValue(const char* line, CCOMString& value);

    // Deleting the records of a list: every record is deleted, the array
    // released, capacity and count set to 0; with deleteList set the list
    // object itself is deleted too. A null list is left alone.
    void DeallocTrackPosList(MvList<PLATTER_TTrackPos*>* list, bool deleteList);
    void DeallocQueryResultList(MvList<TITLEFETCH_TQResult*>* list, bool deleteList);
    void DeallocSiteList(MvList<TITLEFETCH_TSite*>* list, bool deleteList);
    void DeallocGenreList(MvList<TITLEFETCH_TGenre*>* list, bool deleteList);
    // Deletes the strings of the record's track titles and extended track
    // data and empties both lists; the play order is the owner's.
    void DeallocRecord(TITLEFETCH_TRResult& record);
    // Appends a copy of text to the record's track titles (or extended track
    // data).
    void AddTitleToRecord(TITLEFETCH_TRResult& record, const char* text);
    void AddExtDataToRecord(TITLEFETCH_TRResult& record, const char* text);

private:
    struct Settings {
        TITLEFETCH_TSite site = MakeDefaultSite();
        std::int32_t protocolLevel = kDefaultProtocolLevel;
        std::string email;
        std::uint32_t timeoutMs = kDefaultTimeoutMs;
    };

    // The settings as they are now, for one call.
    Settings CurrentSettings() const;

    mutable std::mutex m_lock;
    Settings m_settings;
    std::string m_logFileName;
    // Shared by copies of the facade; closed when the last one lets go.
    std::shared_ptr<std::FILE> m_logFile;
};
