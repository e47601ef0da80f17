// Runs the installer's device search and driver update against arbitrary device lists
// and platform failures, and checks what must hold whatever the platform answers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fake_platform.h"
#include "fuzz_support.h"
#include "installer.h"
#include "installer_platform.h"

namespace {

constexpr std::uint32_t kReadErrors[] = {
    0, 0, 0, 0, kErrorInvalidData, kErrorInsufficientBuffer, 5, 31, 0xE0000203};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fake = FakePlatform{};
  Fake.SystemTexts[5] = u"Access is denied.\r\n";
  Fake.SystemTexts[31] = u"%1 is not functioning: %2\r\n";
  ByteReader in{data, size};
  const std::uint8_t setup = in.Next();
  Fake.ListOpens = (setup & 1) == 0;
  Fake.AllocationFails = (setup & 2) != 0 && (setup & 4) != 0;
  Fake.UpdateSucceeds = (setup & 8) == 0;
  const DeviceTableRow& row = DeviceTable[(setup >> 4) % kDeviceTableRows];

  // Devices: a header byte, then code units up to a zero byte. The low bits of the
  // header pick a failure; its top bit makes the device carry the sought ID first.
  while (in.size > 0 && Fake.Devices.size() < 16) {
    const std::uint8_t header = in.Next();
    FakeDevice device;
    device.ReadError = kReadErrors[header % std::size(kReadErrors)];
    device.HasList = (header & 0x40) == 0;
    if ((header & 0x80) != 0) {
      device.HardwareIds = std::u16string(row.HardwareId) + u'\0';
    }
    for (std::uint8_t unit = in.Next(); unit != 0 && in.size > 0; unit = in.Next()) {
      device.HardwareIds +=
          unit == 1 ? u'\0' : static_cast<char16_t>(unit | ((header & 0x20) << 3));
    }
    if ((header & 0x10) != 0) {
      device.RequiredSizes = {in.Next(), in.Next()};
    }
    Fake.Devices.push_back(device);
  }

  const int result = UpdateDeviceDriver(row.HardwareId, row.InfPath);
  const std::uint32_t code = Fake.LastError;
  const std::u16string output = Fake.Output();
  const bool found = output.find(u"Found! [") != std::u16string::npos;

  Check(Fake.ListsOpened == Fake.ListsClosed, "every opened list is destroyed");
  Check(Fake.LiveBlocks == 0, "every block is released");
  Check(result == 0 || result == 2, "result 0 or 2");
  Check(found == !Fake.Updates.empty(), "an update exactly when a device matched");
  Check(Fake.Updates.size() <= 1, "at most one update");
  Check(result == 2 ? !Fake.UpdateSucceeds && code == Fake.UpdateError : true,
        "a failed update keeps its code");
  Check(!found || output.find(u"Found! [") == output.rfind(u"Found! ["), "one found line");
  if (!found) {
    Check(code != 0, "a search without a match ends with a code");
  }
  return 0;
}
