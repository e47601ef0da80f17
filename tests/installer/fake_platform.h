// A scriptable stand-in for the installer's platform: the tests set up devices, files
// and failures in `Fake`, run the logic, and read back what it did.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

inline constexpr std::uint32_t kErrorNoMoreItems = 259;

struct FakeDevice {
  // The hardware-ID list exactly as the platform hands it back: entries each ended by a
  // null, the list by an empty entry (or, for a malformed value, by nothing at all).
  std::u16string HardwareIds;
  bool HasList = true;
  // When non-zero, every read of the list fails with this code.
  std::uint32_t ReadError = 0;
  // Sizes the platform asks for on successive "too small" answers; when they run out,
  // the list's own size.
  std::vector<std::uint32_t> RequiredSizes;
};

// A device whose list holds the given entries, properly ended.
FakeDevice DeviceWithIds(std::initializer_list<std::u16string> ids);

struct FakePlatform {
  // Set up by the tests.
  bool FrameworkStarts = true;
  std::set<std::u16string> ExistingPaths;
  bool ListOpens = true;
  std::uint32_t OpenError = 5;
  std::vector<FakeDevice> Devices;
  bool UpdateSucceeds = true;
  std::uint32_t UpdateError = 0xE0000203;
  std::map<std::uint32_t, std::u16string> SystemTexts;
  bool AllocationFails = false;

  // Recorded by the fake.
  std::uint32_t LastError = 0;
  std::vector<std::u16string> Writes;
  std::vector<std::string> Calls;  // platform calls in order, e.g. "probe .\a.inf"
  std::vector<std::pair<std::u16string, std::u16string>> Updates;  // (hardware ID, INF)
  std::vector<std::string> Commands;
  int ListsOpened = 0;
  int ListsClosed = 0;
  int LiveBlocks = 0;
  int HardwareIdReads = 0;

  std::u16string Output() const;
};

extern FakePlatform Fake;

// A code the fake leaves behind in calls that may disturb the last-error code, so a
// test sees whether the logic saved and restored it.
inline constexpr std::uint32_t kScratchError = 0x5A5A;
