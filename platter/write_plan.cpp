#include "platter/write_plan.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platter/cdio_image.h"
#include "utilities/unicode.h"

std::int64_t TWritePlan::TotalSectors() const {
    std::int64_t total = 0;
    for (const TPlannedTrack& track : tracks) total += std::int64_t{track.sectors} + track.gapSectors;
    return total;
}

std::int64_t TWritePlan::TrackStartSector(std::size_t i) const {
    std::int64_t start = 0;
    for (std::size_t k = 0; k < i && k < tracks.size(); ++k)
        start += std::int64_t{tracks[k].sectors} + tracks[k].gapSectors;
    return start;
}

std::int32_t SectorsFor(std::int64_t bytes) {
    return static_cast<std::int32_t>((bytes + PLATTER_SECTOR_BYTES - 1) / PLATTER_SECTOR_BYTES);
}

namespace {

bool Refuse(std::string& why, std::string text) {
    why = std::move(text);
    return false;
}

// The block's fixed-size path field, which must hold its terminator.
bool CopyPathField(const char (&field)[MAX_PATH], std::string& out) {
    const std::size_t n = strnlen(field, MAX_PATH);
    if (n == MAX_PATH) return false;
    out.assign(field, n);
    return true;
}

}  // namespace

bool CopyWriteBlock(const TWriteDiscParams& block, TWritePlan& plan, std::string& why) {
    plan = TWritePlan{};
    if (block.trackCount < 1 || block.trackCount > PLATTER_MAX_TRACKS)
        return Refuse(why, "The write asks for " + std::to_string(block.trackCount) + " tracks (1 to 99 can be written).");
    if (block.firstTrack != 1) return Refuse(why, "The write must start with track 1.");
    plan.testWrite = block.testWrite != 0;
    plan.burnProof = block.burnProof != 0;
    plan.cdText = block.cdText != 0;
    plan.onTheFly = block.onTheFly != 0;
    plan.allowRewritable = block.allowRewritable != 0;
    plan.speedNumber = block.writeSpeed;
    plan.totalLengthMs = block.totalLengthMs;
    plan.eventCallback = block.eventCallback;
    plan.eventContext = block.eventContext;
    plan.audioCallback = block.audioCallback;
    plan.audioContext = block.audioContext;
    if (!CopyPathField(block.cueSheetPath, plan.cueSheetPath)) return Refuse(why, "The cue sheet path is not terminated.");
    if (plan.onTheFly && plan.audioCallback == nullptr) return Refuse(why, "An on-the-fly write needs an audio callback.");

    for (int i = 0; i < block.trackCount; ++i) {
        const TWriteTrackEntry& entry = block.tracks[i];
        TPlannedTrack track;
        track.fileType = entry.fileType;
        track.pcmBytes = entry.lengthBytes;
        if (plan.onTheFly) {
            if (entry.lengthBytes <= 0)
                return Refuse(why, "Track " + std::to_string(i + 1) + " of the on-the-fly write has no length.");
        } else {
            if (entry.path == nullptr || strnlen(entry.path, PATH_MAX) == PATH_MAX)
                return Refuse(why, "Track " + std::to_string(i + 1) + " names no usable file.");
            track.path = entry.path;
            if (entry.gapSectors < 0 || entry.gapSectors > kMaxGapSectors)
                return Refuse(why, "Track " + std::to_string(i + 1) + " asks for a gap of " +
                                       std::to_string(entry.gapSectors) + " sectors.");
            // A gap belongs before the next track; the last track has none.
            track.gapSectors = i + 1 < block.trackCount ? entry.gapSectors : 0;
        }
        plan.tracks.push_back(std::move(track));
    }
    return true;
}

void LayOutStreamedTracks(TWritePlan& plan) {
    std::int64_t cumulativeBytes = 0;
    std::int64_t previousEnd = 0;
    for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
        cumulativeBytes += plan.tracks[i].pcmBytes;
        const bool last = i + 1 == plan.tracks.size();
        const std::int64_t end = last ? SectorsFor(cumulativeBytes)
                                      : (cumulativeBytes + PLATTER_SECTOR_BYTES / 2) / PLATTER_SECTOR_BYTES;
        // Every track keeps at least one sector, however short its entry.
        const std::int64_t sectors = std::max<std::int64_t>(end - previousEnd, 1);
        plan.tracks[i].sectors = static_cast<std::int32_t>(sectors);
        plan.tracks[i].gapSectors = 0;
        previousEnd += sectors;
    }
}

std::string CleanCueTitle(const std::string& title) {
    // CUE sheets hold at most 80 characters in a TITLE.
    constexpr std::size_t kMaxTitleBytes = 80;
    std::string clean = title;
    for (char& c : clean) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || c == '"') c = ' ';
    }
    if (clean.size() > kMaxTitleBytes) {
        std::size_t n = kMaxTitleBytes;
        while (n > 0 && (static_cast<unsigned char>(clean[n]) & 0xC0) == 0x80) --n;
        clean.resize(n);
    }
    return clean;
}

std::string CdTextTitle(const std::string& title) { return Utf8ToLatin1(CleanCueTitle(title)); }

namespace {

std::string Trimmed(const std::string& line) {
    const std::size_t begin = line.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    const std::size_t end = line.find_last_not_of(" \t\r");
    return line.substr(begin, end - begin + 1);
}

std::string TitleText(const std::string& rest) {
    const std::size_t open = rest.find('"');
    const std::size_t close = rest.rfind('"');
    if (open != std::string::npos && close != std::string::npos && close > open)
        return rest.substr(open + 1, close - open - 1);
    return Trimmed(rest);
}

bool StartsWithWord(const std::string& line, const char* word) {
    const std::size_t n = std::strlen(word);
    return line.size() > n && line.compare(0, n, word) == 0 && (line[n] == ' ' || line[n] == '\t');
}

}  // namespace

void ReadCueSheetTitles(TWritePlan& plan) {
    if (plan.cueSheetPath.empty()) return;
    std::ifstream in(plan.cueSheetPath, std::ios::binary);
    if (!in) return;
    std::string text(static_cast<std::size_t>(kMaxCueBytes), '\0');
    in.read(text.data(), kMaxCueBytes);
    text.resize(static_cast<std::size_t>(in.gcount()));

    std::istringstream lines(text);
    std::string line;
    long track = 0;  // 0: before any TRACK line, the disc's own title
    while (std::getline(lines, line)) {
        line = Trimmed(line);
        if (StartsWithWord(line, "TRACK")) {
            track = std::strtol(line.c_str() + 5, nullptr, 10);
            if (track < 1) track = -1;  // titles of a track we cannot place are dropped
        } else if (StartsWithWord(line, "TITLE")) {
            const std::string title = CleanCueTitle(TitleText(line.substr(5)));
            if (track == 0) plan.discTitle = title;
            else if (track >= 1 && track <= static_cast<long>(plan.tracks.size()))
                plan.tracks[static_cast<std::size_t>(track - 1)].title = title;
        }
    }
}
