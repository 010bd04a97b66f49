// Solves the equations of a breach table's data pages, one segment at a
// time, from mixed keys given in ascending order.
//
// Each key's chance is an equation over the 128 slots from its start: the
// XOR of the slots its coefficients select must equal its fingerprint. The
// slots' blocks are visited in order; the keys starting in a block are
// added to the band matrix (Gaussian elimination on the fly), those with the
// highest priority first. When one fails, the block's threshold is raised
// to the lowest level above its priority, and every key of the block below
// that level is taken out again and moved to its next chance, further on in
// its window. A key with no chance left becomes an exception. When a
// segment's blocks are done, back substitution gives its slots' values, and
// its pages are assembled, sealed with their checksums and handed on.
#ifndef PWDPOLICY_BREACH_RIBBONSOLVER_H
#define PWDPOLICY_BREACH_RIBBONSOLVER_H

#include <cstdint>
#include <functional>
#include <vector>

#include "breach/Placement.h"

namespace breach {

struct SolverShape {
    uint32_t resultBits;
    uint32_t blocksPerPage;
    uint32_t segmentPages;
    uint64_t dataPages;
    uint64_t seed;
};

class RibbonSolver {
public:
    // `pages(firstPage, bytes, count)` receives `count` finished data pages
    // (0-based page numbers), in ascending order.
    using PageSink = std::function<void(uint64_t firstPage, const uint8_t* bytes, uint64_t count)>;

    RibbonSolver(const SolverShape& shape, PageSink pages);

    // Adds the next key; keys come in ascending order.
    void Add(uint64_t mixed);
    // Places what is left, hands on the last pages and returns the
    // exceptions in ascending order.
    std::vector<uint64_t> Finish();

private:
    struct Pending {
        uint64_t mixed;
        uint64_t start;
        uint64_t windowLast;
        uint32_t chance;
        uint32_t priority;
    };
    void PlaceBlock(uint64_t block);
    bool Insert(uint64_t slot, unsigned __int128 row, uint64_t value);
    void SolveSegment();
    void Queue(const Pending& pending);

    SolverShape shape_;
    Placement placement_;
    PageSink pages_;
    uint64_t slotsPerPage_;
    uint64_t blocks_;            // in all data pages
    uint64_t blocksPerSegment_;
    uint64_t nextBlock_ = 0;     // the first block not yet placed
    uint64_t segmentFirstSlot_ = 0;

    // The band matrix of the segment: row i has its leading 1 at slot i.
    std::vector<unsigned __int128> rows_;
    std::vector<uint64_t> values_;
    std::vector<uint8_t> thresholds_;  // per block of the segment
    std::vector<uint64_t> inserted_;   // rows written in the current block, to take them out again
    std::vector<std::vector<Pending>> waiting_;  // by block, modulo its size
    std::vector<uint64_t> exceptions_;
    std::vector<uint8_t> pageBytes_;
};

}  // namespace breach

#endif  // PWDPOLICY_BREACH_RIBBONSOLVER_H
