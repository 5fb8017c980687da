#pragma once
// A data stream over one disk file. Every write is flushed at once, so the
// file on disk is complete after each call (the log relies on it for crash
// logs). The stream can treat a byte offset of the file (its origin) as its
// position 0.

#include <cstdint>
#include <cstdio>
#include <string>

#include "filekit/windowed_stream.h"

class CInternetDownload;
class MyInternetAccess;

class CFileObj : public CWindowedStream {
public:
    CFileObj() = default;
    // Reopens the other stream's file read-only, as Copy(&other) does.
    CFileObj(const CFileObj& other);
    ~CFileObj() override;

    int Copy(CRefObj* other) override;
    CRefObj* Copy() override;
    int IsOpen() override { return file_ != nullptr ? 1 : 0; }
    void Close() override;
    std::int64_t Read(void* buf, std::int64_t len) override;
    std::int64_t Write(const void* buf, std::int64_t len) override;
    int Seek(std::int64_t offset, int whence) override;
    std::int64_t Tell() override;
    std::int64_t Size() override;
    int Type() override { return kFileType; }
    int SetDataOffsets(std::int64_t start, std::int64_t end) override;
    std::int64_t DataSize() override;
    // Opens an existing file: read-write when writable, else read-only.
    virtual int Open(const char* path, std::int64_t origin, int writable);
    // Creates the file, or truncates an existing one, for reading and writing.
    virtual int Create(const char* path);

    // Copies the path, terminator included, into out of outSize bytes; a
    // path that does not fit gives an empty out.
    void GetFilePath(char* out, std::size_t outSize) const;
    const char* FilePath() const { return path_.c_str(); }

    // Downloading a URL into this file (a worker thread fills it).
    //
    // Creates (empties) localPath and starts downloading url into it through
    // the session; the result of creating the file. Fails with
    // FILEKIT_ERR_FILE_ALREADY_OPEN on an open file object and with
    // FILEKIT_ERR_SESSION_NOT_OPEN on a closed session.
    int OpenFromInternet(MyInternetAccess* session, const char* url, const char* localPath);
    // 1 while the download runs.
    int FileDownloading();
    // The bytes received so far and the announced total (0 while unknown);
    // 0 when no download runs.
    int GetDownloadAmounts(std::uint64_t& received, std::uint64_t& total);
    // Stops the download. discard 1: closes the file, deletes it and empties
    // the path; 1. discard 0: reopens the file read-only at position 0; the
    // result of that Open. FILEKIT_ERR_NO_DOWNLOAD when none was started.
    int CompleteDownload(int discard);
    // 1 when the whole file arrived; FILEKIT_ERR_NO_DOWNLOAD when none was
    // started.
    int DownloadWasSuccessful();

    static constexpr int kFileType = 1;

private:
    enum class LastAccess { kNone, kRead, kWrite };
    // stdio needs a seek between a read and a write on one stream.
    bool PrepareAccess(LastAccess next);
    // Stops and deletes the download, if any.
    void DropDownload();

    std::FILE* file_ = nullptr;
    std::string path_;
    std::int64_t origin_ = -1;
    std::int64_t position_ = -1;  // absolute file offset
    std::int64_t size_ = -1;      // absolute file length
    LastAccess lastAccess_ = LastAccess::kNone;
    // The download that fills this file, owned by the file. It points back
    // at the file without holding a reference, so releasing the file frees
    // both; the file stops it (joining its worker) before closing.
    CInternetDownload* download_ = nullptr;
};
