// The trials of a power-loss family: at which change of an operation the power goes, what lands
// of the unsynced changes, and whether it goes again while the files are recovered. Every sync
// point and the moment after the operation returned are tried with every landing; random changes
// fill up to QLT_POWER_LOSS_TRIALS trials per family (kDefaultPowerLossTrials unless set). The
// seed is fixed (QLT_POWER_LOSS_SEED overrides it) and printed with each family. Plain functions;
// any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "support/power_loss_disk.h"

namespace qlt::test {

constexpr int kDefaultPowerLossTrials = 40;
constexpr uint32_t kPowerLossSeed = 20240520;

struct PowerLossTrial {
  int change;  // the change at which the power goes; 0: after the operation returned
  CPowerLossDisk::Landing landing;
  uint32_t seed;  // chooses what lands
  // The power goes again at this change of the first reopening, 0: it stays on.
  int recoveryChange;
};

// The trials of the family `family`, whose operation makes `changes` changes with syncs at
// `syncPoints` when the power stays on. Prints the family's seed and size.
std::vector<PowerLossTrial> PowerLossTrials(const char* family, int changes,
                                            const std::vector<int>& syncPoints);

}  // namespace qlt::test
