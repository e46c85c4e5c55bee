#pragma once
// The largest picture the engine may allocate: measured from physical memory, or
// taken from the settings "MaxWidth"/"MaxHeight" when the setting "Check" is 0.

#include <cstdint>

namespace tx {

struct MachineLimits {
    int maxWidth = 5000;   // pixels
    int maxHeight = 5000;
};

// The largest square 24-bit picture that fits a quarter of the given memory, in
// steps of 1000 pixels, at least 1000, at most 32000 and never above what a
// Picture may hold.
MachineLimits limitsForMemory(std::uint64_t physicalBytes);

// limitsForMemory of this machine's physical memory.
MachineLimits TestMachine();

// True unless the setting "Check" (default "1") is 0.
bool machineCheckEnabled();

// "MaxWidth" and "MaxHeight" (defaults "5000"), kept within 0..32767.
MachineLimits storedMachineLimits();

}  // namespace tx
