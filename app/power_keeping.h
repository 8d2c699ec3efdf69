#pragma once
// Keeps the screen lit and the machine awake while the program runs. The entry point calls
// KeepPower(1) first and KeepPower(0) last; the work goes through a PowerPlatform, so tests
// can run it against a registry of their own.

#include <cstdint>

// Handles of the power platform; the zero value means none. Each platform decides what the
// number stands for.
enum class RegistryKey : std::intptr_t;
enum class PowerRequirement : std::intptr_t;
enum class NamedEvent : std::intptr_t;

// Device power state D0 (full power) and "the device is named by its device name".
constexpr int kDevicePowerFull = 0;
constexpr std::uint32_t kPowerName = 1;

// The registry under HKEY_LOCAL_MACHINE, the power manager's device requirements and its
// named events.
class PowerPlatform {
public:
  virtual ~PowerPlatform() = default;
  // False (and *key untouched) when the key does not exist.
  virtual bool OpenKey(const char16_t *subKey, RegistryKey *key) = 0;
  // Reads a REG_DWORD of exactly 4 bytes; false leaves *value as it was.
  virtual bool QueryDword(RegistryKey key, const char16_t *name, std::uint32_t *value) = 0;
  virtual bool SetDword(RegistryKey key, const char16_t *name, std::uint32_t value) = 0;
  virtual void CloseKey(RegistryKey key) = 0;
  // Zero when the requirement cannot be taken.
  virtual PowerRequirement SetPowerRequirement(const char16_t *device, int deviceState,
                                               std::uint32_t flags) = 0;
  virtual void ReleasePowerRequirement(PowerRequirement request) = 0;
  // Zero when no such event exists.
  virtual NamedEvent OpenEvent(const char16_t *name) = 0;
  virtual void SetEvent(NamedEvent event) = 0;
  virtual void CloseEvent(NamedEvent event) = 0;
};

inline constexpr const char16_t *kTimeoutsKeyName = u"\\System\\CurrentControlSet\\Control\\Power\\Timeouts";
inline constexpr const char16_t *kTimeoutValueNames[3] = {u"BattUserIdle", u"BattSystemIdle", u"BattSuspend"};
inline constexpr const char16_t *kBacklightDevice = u"BKL1:";
inline constexpr const char16_t *kReloadTimeoutsEvent = u"PowerManager/ReloadActivityTimeouts";

// Chooses the platform KeepPower talks to; until called, the desktop one. The platform must
// outlive every later KeepPower call.
void SetPowerPlatform(PowerPlatform &platform);
PowerPlatform &CurrentPowerPlatform();

// on: 1 saves the timeouts and switches them off, takes the backlight requirement; 0 puts
// back what was saved and releases it. Either way the power manager is told to reload.
void KeepPower(int on);
// The inner step of KeepPower: writes the timeouts and takes or releases the requirement.
void ApplyPowerKeeping(int on);
