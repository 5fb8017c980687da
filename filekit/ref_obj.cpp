#include "filekit/ref_obj.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

int CRefObj::Copy(CRefObj*) { return 0; }
CRefObj* CRefObj::Copy() { return new CRefObj(writeMode_, dataMode_); }
int CRefObj::IsOpen() { return 0; }
void CRefObj::Close() {}
std::int64_t CRefObj::Read(void*, std::int64_t) { return 0; }
std::int64_t CRefObj::Write(const void*, std::int64_t) { return 0; }
int CRefObj::Seek(std::int64_t, int) { return 0; }
std::int64_t CRefObj::Tell() { return 0; }
std::int64_t CRefObj::Size() { return 0; }
int CRefObj::Type() { return 0; }
int CRefObj::SetDataOffsets(std::int64_t, std::int64_t) { return 0; }
std::int64_t CRefObj::GetDataStart() { return 0; }
std::int64_t CRefObj::GetDataEnd() { return 0; }
std::int64_t CRefObj::GetVirtualStart() { return 0; }
int CRefObj::SetVirtualStart(std::int64_t) { return 0; }
std::int64_t CRefObj::DataSize() { return 0; }
void CRefObj::SetDataMode(int mode) { dataMode_ = mode; }
int CRefObj::SeekToData(std::int64_t) { return 0; }
std::int64_t CRefObj::ReadData(void*, std::int64_t) { return 0; }
std::int64_t CRefObj::WriteData(const void*, std::int64_t, int) { return 0; }

namespace {

constexpr std::int64_t kLinePiece = 1024;

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::int64_t CRefObj::ReadNextString(char* buf, std::int64_t len) {
    if (buf == nullptr) return 0;
    buf[0] = '\0';
    if (len < 1) return 0;

    char piece[kLinePiece];
    std::int64_t stored = 0;
    bool inLine = false;  // a character other than a line break was seen
    for (;;) {
        const std::int64_t pieceStart = Tell();
        const std::int64_t got = Read(piece, kLinePiece);
        if (got <= 0) break;

        std::int64_t i = 0;
        if (!inLine) {
            // Breaks left over from the previous line (a CR LF split across
            // two reads, or a file that starts with one) never begin a line.
            while (i < got && IsLineBreak(piece[i])) ++i;
            if (i == got) continue;
            inLine = true;
        }
        std::int64_t end = i;
        while (end < got && !IsLineBreak(piece[end])) ++end;

        const std::int64_t take = std::min(end - i, len - stored);
        std::memcpy(buf + stored, piece + i, static_cast<std::size_t>(take));
        stored += take;

        if (end < got) {
            // Skip the whole run of breaks so the next call starts on text.
            std::int64_t next = end;
            while (next < got && IsLineBreak(piece[next])) ++next;
            Seek(pieceStart + next, 0);
            break;
        }
        // No break in this piece: the line goes on. Characters beyond len are
        // read and dropped so the stream still ends up behind the line.
    }
    buf[stored] = '\0';
    return stored;
}

void DeleteRefObject(CRefObj** ref) {
    if (ref == nullptr || *ref == nullptr) return;
    if ((*ref)->DecReference() <= 0) {
        delete *ref;
        *ref = nullptr;
    }
}

int DoesFileExist(const char* path) {
    if (path == nullptr) return 0;
    struct stat st{};
    return stat(path, &st) == 0 ? 1 : 0;
}
