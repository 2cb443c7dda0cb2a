#include "support/power_loss_trials.h"

#include <QByteArray>
#include <cstdio>
#include <random>

namespace qlt::test {

namespace {

// An environment number, or `fallback` when unset or not a number.
uint32_t EnvironmentNumber(const char* name, uint32_t fallback) {
  bool ok = false;
  const uint32_t value = qEnvironmentVariable(name).toUInt(&ok);
  return ok ? value : fallback;
}

// The family's own seed, the same on every run and every machine.
uint32_t FamilySeed(const char* family, uint32_t seed) {
  uint32_t hash = 2166136261u ^ seed;
  for (const char* c = family; *c; ++c) hash = (hash ^ static_cast<uint8_t>(*c)) * 16777619u;
  return hash;
}

constexpr CPowerLossDisk::Landing kLandings[] = {CPowerLossDisk::Landing::kNothing,
                                                 CPowerLossDisk::Landing::kInOrder,
                                                 CPowerLossDisk::Landing::kAnyOrder};

}  // namespace

std::vector<PowerLossTrial> PowerLossTrials(const char* family, int changes,
                                            const std::vector<int>& syncPoints) {
  const uint32_t base = EnvironmentNumber("QLT_POWER_LOSS_SEED", kPowerLossSeed);
  const size_t count = EnvironmentNumber("QLT_POWER_LOSS_TRIALS", kDefaultPowerLossTrials);
  std::mt19937 random(FamilySeed(family, base));
  auto next = [&random] { return static_cast<uint32_t>(random()); };
  std::vector<PowerLossTrial> trials;
  for (CPowerLossDisk::Landing landing : kLandings) {
    for (int change : syncPoints) trials.push_back({change, landing, next(), 0});
    trials.push_back({0, landing, next(), 0});
  }
  while (trials.size() < count) {
    PowerLossTrial trial{};
    // changes + 1 stands for the moment after the operation returned.
    trial.change = std::uniform_int_distribution<int>(1, changes + 1)(random);
    if (trial.change > changes) trial.change = 0;
    trial.landing = kLandings[next() % 3];
    trial.seed = next();
    if (next() % 4 == 0) trial.recoveryChange = std::uniform_int_distribution<int>(1, 8)(random);
    trials.push_back(trial);
  }
  std::printf("[power loss] %s: seed %u, %zu trials over %d changes (%zu syncs)\n", family, base,
              trials.size(), changes, syncPoints.size());
  std::fflush(stdout);
  return trials;
}

}  // namespace qlt::test
