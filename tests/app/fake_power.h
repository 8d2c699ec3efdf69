#pragma once
// A power platform of the tests' own: the timeouts key, the power manager and its reload event,
// shared by every "instance" of a test. Used by the power-keeping and start-up tests.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "app/power_keeping.h"

using Timeouts = std::array<std::uint32_t, 3>;
constexpr std::uint32_t kAbsent = 0xFFFFFFFF; // a timeout value the key does not hold

class FakePowerPlatform : public PowerPlatform {
public:
  bool keyExists = true;
  Timeouts values{kAbsent, kAbsent, kAbsent};
  int openKeys = 0;
  std::set<std::intptr_t> held;
  int badReleases = 0;
  std::vector<Timeouts> atEvent; // the timeouts as they stood whenever the event was set

  bool OpenKey(const char16_t *subKey, RegistryKey *key) override {
    if (!keyExists || std::u16string(subKey) != kTimeoutsKeyName)
      return false;
    ++openKeys;
    *key = static_cast<RegistryKey>(1);
    return true;
  }
  bool QueryDword(RegistryKey, const char16_t *name, std::uint32_t *value) override {
    if (values[Index(name)] == kAbsent)
      return false;
    *value = values[Index(name)];
    return true;
  }
  bool SetDword(RegistryKey key, const char16_t *name, std::uint32_t value) override {
    EXPECT_GT(openKeys, 0);
    EXPECT_NE(key, RegistryKey{});
    values[Index(name)] = value;
    return true;
  }
  void CloseKey(RegistryKey) override { --openKeys; }
  PowerRequirement SetPowerRequirement(const char16_t *, int, std::uint32_t) override {
    held.insert(++lastRequest_);
    return static_cast<PowerRequirement>(lastRequest_);
  }
  void ReleasePowerRequirement(PowerRequirement request) override {
    badReleases += held.erase(static_cast<std::intptr_t>(request)) == 0;
  }
  NamedEvent OpenEvent(const char16_t *) override { return NamedEvent{7}; }
  void SetEvent(NamedEvent) override { atEvent.push_back(values); }
  void CloseEvent(NamedEvent) override {}

private:
  static std::size_t Index(const char16_t *name) {
    for (std::size_t i = 0; i < 3; ++i)
      if (std::u16string(name) == kTimeoutValueNames[i])
        return i;
    ADD_FAILURE() << "not a timeout value";
    return 0;
  }
  std::intptr_t lastRequest_ = 100;
};
