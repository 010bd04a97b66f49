#include "breach/BreachBuilder.h"

#include <fcntl.h>
#include <nettle/sha1.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <ctime>
#include <memory>
#include <new>

#include "breach/BreachFormat.h"
#include "breach/BreachHash.h"
#include "breach/KeySorter.h"
#include "breach/TableWriter.h"
#include "breach/TempFile.h"

namespace breach {
namespace {

constexpr uint64_t kProgressEvery = uint64_t{1} << 20;
constexpr size_t kReadBack = size_t{4} << 20;
// A record overflows with a chance below 1e-16; each new attempt spreads
// the entries over a quarter more buckets.
constexpr int kAttempts = 4;

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The table file while it is written: a hidden name beside the output,
// removed again unless Commit renamed it into place.
class PendingOutput {
public:
    explicit PendingOutput(const std::string& output) : output_(output) {
        const size_t slash = output.rfind('/');
        const std::string base = slash == std::string::npos ? output : output.substr(slash + 1);
        path_ = DirectoryOf(output) + "/." + base + ".tmp-XXXXXX";
        fd_ = mkostemp(path_.data(), O_CLOEXEC);
        if (fd_ < 0) throw BuildError("cannot create " + path_ + ": " + strerror(errno));
    }
    ~PendingOutput() {
        if (fd_ >= 0) close(fd_);
        if (!committed_) unlink(path_.c_str());
    }
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    int Fd() const { return fd_; }

    void Commit() {
        if (fsync(fd_) != 0) throw BuildError("cannot write " + path_ + ": " + strerror(errno));
        (void)fchmod(fd_, 0644);  // a table holds no secret: every host process reads it
        close(fd_);
        fd_ = -1;
        if (rename(path_.c_str(), output_.c_str()) != 0) {
            throw BuildError("cannot rename " + path_ + " to " + output_ + ": " + strerror(errno));
        }
        committed_ = true;
        const int directory = open(DirectoryOf(output_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (directory >= 0) {
            (void)fsync(directory);  // the rename itself survives a crash
            close(directory);
        }
    }

private:
    std::string output_;
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

// SHA-1 of the file from `offset` to `end`, read back from the page cache.
void DigestFile(int fd, uint64_t offset, uint64_t end, uint8_t digest[kSha1Bytes]) {
    std::vector<uint8_t> buffer(kReadBack);
    struct sha1_ctx context;
    sha1_init(&context);
    while (offset < end) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), end - offset));
        const ssize_t got = pread(fd, buffer.data(), want, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw BuildError(std::string("cannot read the table back: ") + strerror(errno));
        sha1_update(&context, static_cast<size_t>(got), buffer.data());
        offset += static_cast<uint64_t>(got);
    }
    sha1_digest(&context, kSha1Bytes, digest);
}

struct Layout {
    uint32_t lowBits;
    uint64_t buckets;
};

// L and M for `entries` at `rate`: 2^L as large as leaves at least
// kMinBucketsPerEntry buckets an entry, then M so that N / (M * 2^L) <= rate.
Layout ChooseLayout(uint64_t entries, double rate) {
    const double bits = std::floor(std::log2(1.0 / (rate * kMinBucketsPerEntry)));
    const uint32_t lowBits = static_cast<uint32_t>(std::clamp(bits, 1.0, double{kMaxLowBits}));
    const double scale = std::ldexp(1.0, static_cast<int>(lowBits));
    double buckets = std::ceil(static_cast<double>(entries) / (rate * scale));
    buckets = std::max({buckets, std::ceil(static_cast<double>(entries) * kMinBucketsPerEntry), 1.0});
    if (buckets >= std::ldexp(1.0, 64 - static_cast<int>(lowBits))) {
        throw BuildError("too many entries for a false-positive rate this low");
    }
    return {lowBits, static_cast<uint64_t>(buckets)};
}

void Validate(const BuildOptions& options) {
    if (options.inputs.empty()) throw BuildError("no input");
    if (options.output.empty()) throw BuildError("no output");
    if (!(options.falsePositiveRate > 0 && options.falsePositiveRate < 0.5)) {
        throw BuildError("the false-positive rate must lie between 0 and 0.5");
    }
    if (options.minCount == 0) throw BuildError("--min-count must be at least 1");
}

}  // namespace

BuildResult BuildTable(const BuildOptions& options) {
    BuildResult result;
    try {
        Validate(options);
        const std::string tempDir = options.tempDir.empty() ? DirectoryOf(options.output) : options.tempDir;
        auto progress = [&](const char* phase, uint64_t done) {
            if (options.progress && done % kProgressEvery == 0) options.progress(phase, done);
        };

        // Every key, sorted and summed; the ones kept go to a spool, since
        // the table's layout depends on how many there are.
        auto sorter = std::make_unique<KeySorter>(options.memoryBytes, tempDir);
        for (const std::string& input : options.inputs) {
            const std::string error = ReadInput(input, options.format, [&](uint64_t key, uint32_t count) {
                sorter->Add(key, count);
                progress("reading", ++result.keysRead);
            });
            if (!error.empty()) throw BuildError(error);
        }
        TempFile kept(tempDir);
        uint64_t keptCount = 0;
        sorter->Merge([&](uint64_t key, uint32_t count) {
            if (count < options.minCount) return;
            kept.Write(&key, sizeof key);
            progress("merging", ++keptCount);
        });
        result.runs = sorter->Runs();
        sorter.reset();

        Layout layout = ChooseLayout(keptCount, options.falsePositiveRate);
        PendingOutput output(options.output);
        uint64_t recordCount = 0;
        bool written = false;
        for (int attempt = 0; attempt < kAttempts && !written; ++attempt) {
            if (attempt > 0) layout.buckets += layout.buckets / 4 + 1;
            if (ftruncate(output.Fd(), 0) != 0) throw BuildError(std::string("cannot write: ") + strerror(errno));
            TableWriter writer(output.Fd(), layout.buckets, layout.lowBits);
            const uint64_t universe = layout.buckets << layout.lowBits;
            kept.StartReading(size_t{1} << 20);
            written = true;
            uint64_t key;
            uint64_t done = 0;
            while (kept.Read(&key, sizeof key)) {
                if (!writer.Add(Fingerprint(key, universe))) {
                    written = false;
                    break;
                }
                progress("writing", ++done);
            }
            if (written) {
                result.entries = writer.Finish();
                recordCount = writer.RecordCount();
            }
        }
        if (!written) throw BuildError("the entries do not spread over the records; try another rate");

        BreachHeader header {};
        memcpy(header.magic, kMagic, sizeof kMagic);
        header.formatVersion = kFormatVersion;
        header.headerBytes = kHeaderBytes;
        header.hashId = kHashSha1;
        header.lowBits = layout.lowBits;
        header.bucketsPerRecord = kBucketsPerRecord;
        header.recordBytes = kRecordBytes;
        header.bucketCount = layout.buckets;
        header.recordCount = recordCount;
        header.entryCount = result.entries;
        header.fileBytes = FileBytes(recordCount, result.entries, layout.lowBits);
        header.buildTime = static_cast<uint64_t>(time(nullptr));
        header.minCount = options.minCount;
        DigestFile(output.Fd(), kHeaderBytes, header.fileBytes, header.dataChecksum);
        Sha1(std::string_view(reinterpret_cast<const char*>(&header), offsetof(BreachHeader, headerChecksum)),
             header.headerChecksum);
        WriteAt(output.Fd(), &header, sizeof header, 0);
        output.Commit();
        result.fileBytes = header.fileBytes;
    } catch (const BuildError& e) {
        result.error = e.what();
    } catch (const std::bad_alloc&) {
        result.error = "out of memory: give less --memory";
    }
    return result;
}

}  // namespace breach
