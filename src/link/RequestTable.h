#pragma once

#include <array>
#include <cstddef>

// Who asks the unit what, how often, how long each attempt waits, and what
// makes a reply its answer. Every request the program sends names one of
// these uses (link/Unit.h); no caller keeps attempts or time-outs of its own.
//
// Whatever the rule, a negative reply (nothing between the header and the
// terminator) is a failed attempt, like silence or a garbled frame: the same
// frame goes out again while attempts are left. Reply rules:
//   Shape   a read: the reply must hold every field read, echo included
//           (cell reads: the table letter in lower case and the address;
//           register reads: the register), in hexadecimal digits.
//   Echo    a write: the reply must repeat what was written (letter, address
//           and byte; register and byte; first, last and byte); any other
//           echo is a failed write, never a success.
//   Status  the probe: any positive reply; its first two digits are the
//           status (3 ready, 2 ask again), judged by the caller.
//   Verdict the self-test: any positive reply; "tp" pass, "tf" fail.
//   Accept  the soft reset: any positive reply.
namespace unit {

enum class Use {
    StartupProbe,          // "Z" while searching the ports and at Connect
    ConfigurationLoad,     // "Y", then "RT00" to "RT0D" at start-up
    IgnitionUpdate,        // "WT06"/"WT09" and their read-back "RT06"/"RT09"
    MonitorOpening,        // "Z" when the monitor opens
    MonitorOffset,         // "RT13" at RUN, "WT13" from the offset slider
    MonitorSample,         // "M", the monitor and the command line's sampling
    MemoryOpening,         // "Z" when the memory window opens
    MemoryCell,            // "R"/"W" of one cell (memory window, command line)
    MemoryBlock,           // "S"
    MemoryListing,         // "R" of each cell of a table listing
    TuneExport,            // "R"/"RT" of every entry, and the import's verification
    TuneImport,            // "W"/"WT" of every line
    SelfTest,              // "T"
    SoftReset,             // "K"
    About,                 // "V"
    TunerCellRead,         // the tuner's "R" (table load)
    TunerCellWrite,        // the tuner's "W" (sliders, global edits, map write-back)
    TunerRegisterRead,     // the tuner's "RT" (table load)
    TunerRegisterWrite,    // the tuner's "WT" (going on line, breakpoint, switch points)
    TunerSample,           // the tuner's "M"
    TunerReadAfterFailure, // "R" of a cell whose write failed
    ReconnectProbe,        // "Z" of each try to find the unit again after a lost link
    ConnectCheck,          // "RT00" to "RT13" at connect, compared with the tune last seen
};

enum class Reply { Shape, Echo, Status, Verdict, Accept };

struct Patience {
    int attempts;
    int timeoutMs;
};

struct Row {
    Use use;
    const char* requests; // what it sends
    Patience patience;
    // Echo for a use that writes (its reads, if any, are judged by their
    // shape); a write under any other use is refused unsent.
    Reply reply;
};

inline constexpr std::array Table{
    Row{Use::StartupProbe, "Z", {5, 1000}, Reply::Status},
    Row{Use::ConfigurationLoad, "Y RT", {25, 1000}, Reply::Shape},
    Row{Use::IgnitionUpdate, "WT RT", {20, 2000}, Reply::Echo},
    Row{Use::MonitorOpening, "Z", {10, 25000}, Reply::Status},
    Row{Use::MonitorOffset, "RT WT", {25, 10000}, Reply::Echo},
    Row{Use::MonitorSample, "M", {50, 1000}, Reply::Shape},
    Row{Use::MemoryOpening, "Z", {10, 1000}, Reply::Status},
    Row{Use::MemoryCell, "R W", {10, 1000}, Reply::Echo},
    Row{Use::MemoryBlock, "S", {5, 10000}, Reply::Echo},
    Row{Use::MemoryListing, "R", {50, 1000}, Reply::Shape},
    Row{Use::TuneExport, "R RT", {50, 1000}, Reply::Shape},
    Row{Use::TuneImport, "W WT", {10, 1000}, Reply::Echo},
    Row{Use::SelfTest, "T", {10, 50000}, Reply::Verdict},
    Row{Use::SoftReset, "K", {20, 3000}, Reply::Accept},
    Row{Use::About, "V", {10, 5000}, Reply::Shape},
    Row{Use::TunerCellRead, "R", {25, 10000}, Reply::Shape},
    Row{Use::TunerCellWrite, "W", {25, 10000}, Reply::Echo},
    Row{Use::TunerRegisterRead, "RT", {25, 10000}, Reply::Shape},
    Row{Use::TunerRegisterWrite, "WT", {25, 10000}, Reply::Echo},
    Row{Use::TunerSample, "M", {25, 500}, Reply::Shape},
    Row{Use::TunerReadAfterFailure, "R", {25, 500}, Reply::Shape},
    // One short attempt (a unit answers in a few ms): the tries themselves
    // repeat, and one that searches six ports must still end in about a second.
    Row{Use::ReconnectProbe, "Z", {1, 250}, Reply::Status},
    // Only a remark in the status line hangs on it: a dead unit holds up the
    // connect for a few seconds at most.
    Row{Use::ConnectCheck, "RT", {3, 1000}, Reply::Shape},
};

constexpr const Row& RowOf(Use use)
{
    for (const Row& row : Table)
        if (row.use == use)
            return row;
    return Table[0]; // every use has its row (checked below)
}

constexpr Patience PatienceOf(Use use)
{
    return RowOf(use).patience;
}

namespace detail {
constexpr bool EveryUseHasItsRow()
{
    for (std::size_t i = 0; i < Table.size(); ++i)
        if (static_cast<std::size_t>(Table[i].use) != i)
            return false;
    return true;
}
} // namespace detail
static_assert(detail::EveryUseHasItsRow(), "one row per use, in the order of Use");

} // namespace unit
