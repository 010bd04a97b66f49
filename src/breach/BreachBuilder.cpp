#include "breach/BreachBuilder.h"

#include <fcntl.h>
#include <string.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <ctime>
#include <memory>
#include <new>

#include "breach/BreachFormat.h"
#include "breach/KeyPartitioner.h"
#include "breach/PageChecksum.h"
#include "breach/Placement.h"
#include "breach/RibbonSolver.h"
#include "breach/TableSet.h"
#include "breach/TempFile.h"

namespace breach {
namespace {

constexpr uint64_t kProgressEvery = uint64_t{1} << 20;
// About 2^21 slots a segment: 50 MiB of band matrix while it is solved.
constexpr uint64_t kSegmentSlots = uint64_t{1} << 21;
// Keys a page is given, as a share of its slots: 0.55 % stay free, which
// the simulations and the 2.5e9 build showed to leave about one key in ten
// million without a place in its window (docs/breach-table.md). A build that
// leaves more than kMaxExceptions tries again with a percent more room.
constexpr double kLoad = 1 - 0.0055;
constexpr int kAttempts = 3;

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

void Validate(const BuildOptions& options) {
    if (options.inputs.empty()) throw BuildError("no input");
    if (options.output.empty()) throw BuildError("no output");
    if (!(options.falsePositiveRate > 0 && options.falsePositiveRate < 0.5)) {
        throw BuildError("the false-positive rate must lie between 0 and 0.5");
    }
    if (ResultBitsFor(options.falsePositiveRate) == 0) {
        throw BuildError("the false-positive rate must be at least 2^-40 (9.1e-13)");
    }
    if (options.minCount == 0) throw BuildError("--min-count must be at least 1");
}

uint64_t RandomSeed() {
    uint64_t seed = 0;
    while (seed == 0) {
        if (getrandom(&seed, sizeof seed, 0) != static_cast<ssize_t>(sizeof seed)) {
            throw BuildError(std::string("cannot draw a seed: ") + strerror(errno));
        }
    }
    return seed;
}

// The tables of skipMembersOf, or null.
std::unique_ptr<TableSet> OpenSkipSet(const std::vector<std::string>& paths) {
    if (paths.empty()) return nullptr;
    std::string problem;
    std::unique_ptr<TableSet> set = TableSet::Open(paths, &problem);
    if (!set) throw BuildError("--skip-members-of: " + (paths.size() == 1 ? paths[0] + ": " : "") + problem);
    return set;
}

void WriteExceptions(int fd, const std::vector<uint64_t>& exceptions, uint64_t firstPage, uint64_t seed) {
    std::vector<uint8_t> page(kPageBytes);
    for (uint64_t i = 0; i < exceptions.size(); i += kExceptionsPerPage) {
        std::fill(page.begin(), page.end(), 0);
        const size_t count = std::min<size_t>(kExceptionsPerPage, exceptions.size() - i);
        memcpy(page.data(), exceptions.data() + i, count * 8);
        const uint64_t pageNumber = firstPage + i / kExceptionsPerPage;
        SealPage(page.data(), pageNumber, seed);
        WriteAt(fd, page.data(), page.size(), pageNumber * kPageBytes);
    }
}

}  // namespace

uint32_t ResultBitsFor(double falsePositiveRate) {
    if (!(falsePositiveRate > 0)) return 0;
    const double bits = std::ceil(std::log2(1.0 / falsePositiveRate));
    if (bits > kMaxResultBits) return 0;
    return static_cast<uint32_t>(std::max<double>(bits, kMinResultBits));
}

BuildResult BuildTable(const BuildOptions& options) {
    BuildResult result;
    try {
        Validate(options);
        const std::string tempDir = options.tempDir.empty() ? DirectoryOf(options.output) : options.tempDir;
        auto progress = [&](const char* phase, uint64_t done) {
            if (options.progress && done % kProgressEvery == 0) options.progress(phase, done);
        };
        const uint64_t seed = options.seed != 0 ? options.seed : RandomSeed();
        const std::unique_ptr<TableSet> skip = OpenSkipSet(options.skipMembersOf);

        // Every key, mixed under the seed and spread over the partitions.
        KeyPartitioner partitioner(options.memoryBytes, tempDir, options.minCount > 1);
        for (const std::string& input : options.inputs) {
            const std::string error = ReadInput(input, options.format, [&](uint64_t key, uint32_t count) {
                progress("reading", ++result.keysRead);
                if (skip) {
                    const Lookup found = skip->Find(key);
                    if (found == Lookup::kDamaged) {
                        throw BuildError("--skip-members-of: a table is damaged; see ppc breach info --verify");
                    }
                    if (found == Lookup::kPresent) {
                        ++result.skipped;
                        return;
                    }
                }
                partitioner.Add(MixKey(key, seed), count);
            });
            if (!error.empty()) throw BuildError(error);
        }
        result.entries = partitioner.Sort(options.minCount, [&](uint64_t done) { progress("sorting", done); });
        result.spoolBytes = partitioner.SpoolBytes();
        if (result.entries > kMaxEntries) throw BuildError("more than 2^36 entries: split the list");

        const uint32_t bits = ResultBitsFor(options.falsePositiveRate);
        const uint32_t blocksPerPage = BlocksPerPage(bits);
        const uint64_t slotsPerPage = uint64_t{kBlockSlots} * blocksPerPage;
        const uint32_t segmentPages =
            options.segmentPages != 0 ? std::max<uint32_t>(2, options.segmentPages)
                                      : static_cast<uint32_t>(std::max<uint64_t>(2, kSegmentSlots / slotsPerPage));
        PendingOutput output(options.output);
        uint64_t dataPages = 0;
        std::vector<uint64_t> exceptions;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            const double load = kLoad - 0.01 * attempt;  // each retry packs the pages a little less
            if (ftruncate(output.Fd(), 0) != 0) throw BuildError(std::string("cannot write: ") + strerror(errno));
            // The last page takes only later chances: the keys of the page
            // before it have nowhere else to go.
            const uint64_t perPage = static_cast<uint64_t>(std::floor(static_cast<double>(slotsPerPage) * load));
            dataPages = result.entries == 0 ? 0 : std::max<uint64_t>(2, (result.entries + perPage - 1) / perPage + 1);
            if (dataPages > kMaxDataPages) throw BuildError("too many entries for this false-positive rate");
            RibbonSolver solver({bits, blocksPerPage, segmentPages, dataPages, seed},
                                [&](uint64_t firstPage, const uint8_t* bytes, uint64_t count) {
                                    WriteAt(output.Fd(), bytes, count * kPageBytes, (1 + firstPage) * kPageBytes);
                                });
            uint64_t done = 0;
            partitioner.ForEach([&](uint64_t mixed) {
                solver.Add(mixed);
                progress("solving", ++done);
            });
            exceptions = solver.Finish();
            if (exceptions.size() <= kMaxExceptions) break;
        }
        if (exceptions.size() > kMaxExceptions) throw BuildError("the keys do not spread over the pages");

        WriteExceptions(output.Fd(), exceptions, 1 + dataPages, seed);
        std::vector<uint8_t> page(kPageBytes, 0);
        BreachHeader header {};
        memcpy(header.magic, kMagic, sizeof kMagic);
        header.formatVersion = kFormatVersion;
        header.headerBytes = kPageBytes;
        header.hashId = kHashSha1;
        header.resultBits = bits;
        header.ribbonWidth = kRibbonWidth;
        header.blocksPerPage = blocksPerPage;
        header.segmentPages = segmentPages;
        header.minCount = options.minCount;
        header.dataPages = dataPages;
        header.entryCount = result.entries;
        header.exceptionCount = exceptions.size();
        header.fileBytes = FileBytes(dataPages, exceptions.size());
        header.buildTime = static_cast<uint64_t>(time(nullptr));
        header.seed = seed;
        memcpy(page.data(), &header, sizeof header);
        SealPage(page.data(), 0, 0);
        WriteAt(output.Fd(), page.data(), page.size(), 0);
        output.Commit();
        result.exceptions = exceptions.size();
        result.fileBytes = header.fileBytes;
    } catch (const BuildError& e) {
        result.error = e.what();
    } catch (const std::bad_alloc&) {
        result.error = "out of memory: give less --memory";
    }
    return result;
}

}  // namespace breach
