#include "tonecore/mpeg/file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "tonecore/mpeg/module_info.h"
#include "tonecore/mpeg/module_instance.h"
#include "tonecore/mpeg/pcm_file_headers.h"

namespace {

constexpr std::uint32_t kDefaultRate = 44100;
constexpr std::uint32_t kDefaultChannels = 2;
constexpr const char* kCannotOpen = "cannot open output file";

struct CFileOutput {
    std::string name;  // as given, with its prefix
    DecoderModuleRecord* module = nullptr;
    DecoderControl* control = nullptr;
    EPcmFileFormat format = EPcmFileFormat::Raw;
    std::FILE* file = nullptr;
    bool standardOutput = false;
    std::string finalPath;  // where the file goes when it is closed
    std::string tempPath;   // empty when written in place
    std::uint32_t channels = kDefaultChannels;
    std::uint32_t rate = kDefaultRate;
    bool headerWritten = false;
    // Where the header went: standard output may already hold bytes before
    // it. -1 when the place is not known (a pipe), so it cannot be rewritten.
    long headerOffset = 0;
    std::uint64_t dataSize = 0;  // sample bytes in the file
    bool swapBytes = false;      // the format's sample order is not this machine's
    std::optional<std::uint8_t> carried;  // first byte of a sample split between writes
};

CFileOutput* Self(void* instance) {
    return static_cast<CFileOutput*>(instance);
}

// The format a name's prefix selects, and the name without it.
EPcmFileFormat SplitPrefix(std::string_view& name) {
    struct TPrefix {
        std::string_view text;
        EPcmFileFormat format;
    };
    static constexpr TPrefix kPrefixes[] = {{"raw:", EPcmFileFormat::Raw},
                                            {"wav:", EPcmFileFormat::Wav},
                                            {"aiff:", EPcmFileFormat::Aiff},
                                            {"sun:", EPcmFileFormat::Sun}};
    for (const TPrefix& prefix : kPrefixes) {
        if (name.substr(0, prefix.text.size()) == prefix.text) {
            name.remove_prefix(prefix.text.size());
            return prefix.format;
        }
    }
    return EPcmFileFormat::Raw;
}

std::int32_t ReportOpenFailure(const CFileOutput* output, int err) {
    if (err == EACCES || err == EPERM) {
        DecoderReportMessage(output->control, InstanceModuleId(output), kCannotOpen, "permission denied");
        return DECODER_ERR_PERMISSION;
    }
    DecoderReportMessage(output->control, InstanceModuleId(output), kCannotOpen, std::strerror(err));
    return DECODER_ERR_OPEN;
}

// A new file beside `path` that no one else uses; its name goes to `temp`.
int CreateTemporary(const std::string& path, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = path + ".part" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Regular files (and new ones) are written under a temporary name, so a
// stopped decode never leaves a half-written file under the real name. A
// device or a pipe is written directly.
std::int32_t OpenFile(CFileOutput* output, const std::string& path) {
    struct stat status {};
    const bool exists = ::stat(path.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) {
        output->file = std::fopen(path.c_str(), "wb");
        return output->file != nullptr ? 0 : ReportOpenFailure(output, errno);
    }
    // Replacing a file that may not be written to is refused, as writing it
    // in place would be.
    if (exists && ::access(path.c_str(), W_OK) != 0) return ReportOpenFailure(output, errno);
    const int fd = CreateTemporary(path, output->tempPath);
    if (fd < 0) {
        const int err = errno;
        output->tempPath.clear();
        return ReportOpenFailure(output, err);
    }
    output->file = ::fdopen(fd, "wb");
    if (output->file == nullptr) {
        const int err = errno;
        ::close(fd);
        ::unlink(output->tempPath.c_str());
        output->tempPath.clear();
        return ReportOpenFailure(output, err);
    }
    output->finalPath = path;
    return 0;
}

// Where a header written now could be rewritten later: -1 for a pipe, and
// for a file opened to append (there every write lands at the end).
long HeaderPlace(std::FILE* file) {
    const int flags = ::fcntl(fileno(file), F_GETFL);
    if (flags < 0 || (flags & O_APPEND) != 0) return -1;
    return std::ftell(file);
}

bool WriteHeader(CFileOutput* output) {
    const auto size = static_cast<std::uint32_t>(output->dataSize);
    return PcmFileHeaderWrite(output->file, output->format, output->channels, output->rate, size) == 0;
}

// Writes one piece of the sample bytes; false when the file took less.
bool WriteChunk(CFileOutput* output, const std::uint8_t* bytes, std::size_t count) {
    const std::size_t written = std::fwrite(bytes, 1, count, output->file);
    output->dataSize += written;
    return written == count;
}

// Writes sample bytes, turning each 16-bit sample around when the format
// wants the other byte order (a sample split between two writes is joined).
bool WriteSamples(CFileOutput* output, const std::uint8_t* bytes, std::uint32_t count) {
    if (!output->swapBytes) return WriteChunk(output, bytes, count);
    std::array<std::uint8_t, 4096> chunk{};
    std::size_t used = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!output->carried) {
            output->carried = bytes[i];
            continue;
        }
        chunk[used++] = bytes[i];
        chunk[used++] = *output->carried;
        output->carried.reset();
        if (used == chunk.size()) {
            if (!WriteChunk(output, chunk.data(), used)) return false;
            used = 0;
        }
    }
    return WriteChunk(output, chunk.data(), used);
}

std::int32_t Probe(const char* /*name*/) {
    return 0;
}

std::int32_t Info(DecoderModuleInfo* info, std::uint32_t flags) {
    static constexpr TModuleDevice kDevices[] = {
        {"*, or raw:*", "file name (raw PCM format)", 1},
        {"wav:*", "file name (WAV format)", 1},
        {"-", "standard output", 0},
    };
    return FillModuleInfo(info, flags, "Output To File", "Version 1.2", kDevices);
}

std::int32_t New(void** instance, const char* name, DecoderModuleRecord* module, DecoderControl* control) {
    return NewNamedInstance<CFileOutput>(instance, name, module, control, "null params or null/empty output name");
}

std::int32_t Close(void* instance) {
    CFileOutput* output = Self(instance);
    if (output->file == nullptr) return 0;
    std::int32_t result = 0;
    // The header again, now with the final size, where the output can go
    // back to it; with nothing written, the header of an empty file.
    if (output->format != EPcmFileFormat::Raw) {
        const bool placed = !output->headerWritten || (output->headerOffset >= 0 &&
                                                       std::fseek(output->file, output->headerOffset, SEEK_SET) == 0);
        if (placed && !WriteHeader(output)) result = DECODER_ERR_OPEN;
    }
    if (output->standardOutput) {
        if (std::fflush(output->file) != 0) result = DECODER_ERR_OPEN;
    } else if (std::fclose(output->file) != 0) {
        result = DECODER_ERR_OPEN;
    }
    output->file = nullptr;
    output->standardOutput = false;
    if (!output->tempPath.empty()) {
        if (result == 0 && std::rename(output->tempPath.c_str(), output->finalPath.c_str()) != 0) {
            result = DECODER_ERR_OPEN;
        }
        if (result != 0) ::unlink(output->tempPath.c_str());
        output->tempPath.clear();
    }
    return result;
}

std::int32_t Delete(void* instance) {
    Close(instance);
    delete Self(instance);
    return 0;
}

std::int32_t Open(void* instance) {
    CFileOutput* output = Self(instance);
    if (output->file != nullptr) Close(instance);
    output->channels = kDefaultChannels;
    output->rate = kDefaultRate;
    output->headerWritten = false;
    output->headerOffset = 0;
    output->dataSize = 0;
    output->carried.reset();
    std::string_view name = output->name;
    output->format = SplitPrefix(name);
    output->swapBytes = PcmFileIsBigEndian(output->format) != (std::endian::native == std::endian::big) &&
                        output->format != EPcmFileFormat::Raw;
    if (name == "-") {
        // Standard output takes bytes as they are on this platform.
        output->file = stdout;
        output->standardOutput = true;
        return 0;
    }
    try {
        return OpenFile(output, std::string(name));
    } catch (const std::bad_alloc&) {
        return DECODER_ERR_NO_MEMORY;
    }
}

std::int32_t Write(void* instance, const void* pcm, std::uint32_t bytes, std::uint32_t /*bytesPerSample*/,
                   std::uint32_t channels, std::uint32_t sampleRate) {
    CFileOutput* output = Self(instance);
    if (output->file == nullptr || (pcm == nullptr && bytes != 0)) return 0;
    if (!output->headerWritten) {
        output->headerOffset = HeaderPlace(output->file);
        if (channels != 0) output->channels = channels;
        if (sampleRate != 0) output->rate = sampleRate;
        if (!WriteHeader(output)) return 0;
        output->headerWritten = true;
    }
    // The size fields cannot state more; a longer file would lie about itself.
    if (bytes > INT32_MAX || output->dataSize + bytes > PcmFileMaxDataSize(output->format)) return 0;
    if (!WriteSamples(output, static_cast<const std::uint8_t*>(pcm), bytes)) return 0;
    return static_cast<std::int32_t>(bytes);
}

}  // namespace

std::int32_t FileOutputModuleGetMethods(DecoderOutputModuleMethods* methods) {
    if (methods == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    *methods = DecoderOutputModuleMethods{DECODER_API_ID, Probe,   Info,    New,     Delete,  Open,    Close,
                                          Write,          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return 0;
}
