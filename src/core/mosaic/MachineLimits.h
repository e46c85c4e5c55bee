#pragma once
// The largest picture the engine may allocate: measured from the memory this
// process may use, or taken from the settings "MaxWidth"/"MaxHeight" when the
// setting "Check" is 0.

#include <QString>
#include <cstdint>
#include <optional>

namespace tx {

struct MachineLimits {
    int maxWidth = 5000;   // pixels
    int maxHeight = 5000;
};

// The largest square 24-bit picture that fits a quarter of the given memory, in
// steps of 1000 pixels, at least 1000, at most 32000 and never above what a
// Picture may hold.
MachineLimits limitsForMemory(std::uint64_t physicalBytes);

// The memory a process may use: the physical memory, or a smaller limit of its
// control group. Zero means unknown (for either argument).
std::uint64_t usableMemory(std::uint64_t physicalBytes, std::uint64_t groupLimitBytes);

// The number in a cgroup memory limit file ("memory.max" or "memory.limit_in_bytes");
// zero for "max", for anything unreadable and for a limit of 0.
std::uint64_t parseGroupLimit(const QString& text);

// The smallest memory limit that applies to the control groups named in
// `procSelfCgroup` (the text of /proc/self/cgroup), looked up under `cgroupRoot`
// (normally /sys/fs/cgroup; v2 "memory.max" and v1 "memory/.../memory.limit_in_bytes",
// each group and its ancestors, and the root of the mount as seen from a container);
// zero when there is none.
std::uint64_t groupMemoryLimit(const QString& procSelfCgroup, const QString& cgroupRoot);

// limitsForMemory of the memory this process may use.
MachineLimits TestMachine();

// True unless the setting "Check" is 0.
bool machineCheckEnabled();

// "MaxWidth" and "MaxHeight" as stored (or their defaults), kept within 16 bits.
MachineLimits storedMachineLimits();

// The stored limits when "Check" is 0; nothing when the limits are to be measured.
std::optional<MachineLimits> fixedLimitsSetting();

}  // namespace tx
