// The installer's work for one table row: find a present device that carries the
// row's hardware ID first, and force the INF's driver for that ID. Failures are
// reported as console lines and the run goes on.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "installer.h"
#include "installer_platform.h"

namespace {

// Room beyond the reported size of a hardware-ID list: a list the platform hands back
// without its terminating null (a malformed registry value) still ends in a null code
// unit inside the zero-filled block, even when the reported byte count is odd.
constexpr std::size_t kTerminatorRoom = 2 * sizeof(char16_t);

std::u16string HexCode(std::uint32_t code) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string hex = u"0x";
  for (int shift = 28; shift >= 0; shift -= 4) {
    hex += kDigits[(code >> shift) & 0xFu];
  }
  return hex;
}

// Each line reaches the console in one write.
void WriteLine(std::initializer_list<std::u16string_view> pieces) {
  std::u16string line;
  for (std::u16string_view piece : pieces) {
    line.append(piece);
  }
  WriteOutput(line);
}

// What reading one device's hardware-ID list came to.
enum class ReadOutcome { kRead, kNoList, kFailed };

// Reads the device's hardware-ID list into a fresh zero-filled block, growing the block
// while the platform asks for more. *block is the list (nullptr for an empty one) on
// kRead, and nullptr otherwise; the caller releases it.
ReadOutcome ReadHardwareIdList(DeviceList list, DeviceRecord* record, void** block) {
  *block = nullptr;
  std::uint32_t tried = 0;
  std::uint32_t required = 0;
  while (!ReadHardwareIds(list, record, *block, tried, &required)) {
    const std::uint32_t code = GetLastErrorCode();
    if (code == kErrorInvalidData) {
      FreeBlock(*block);
      *block = nullptr;
      return ReadOutcome::kNoList;
    }
    // A "too small" that does not ask for more than was just offered would repeat for
    // ever; it counts as a failed read like any other code.
    if (code != kErrorInsufficientBuffer || required <= tried) {
      ReportFailure(u"GetDeviceRegistryProperty");
      FreeBlock(*block);
      *block = nullptr;
      return ReadOutcome::kFailed;
    }
    FreeBlock(*block);
    // On 32-bit Windows the room on top could wrap a size near 4 GiB round to a tiny
    // block; such a size asks for the impossible instead, and the allocation fails.
    std::size_t size = std::size_t{required} + kTerminatorRoom;
    if (size < required) {
      size = SIZE_MAX;
    }
    *block = AllocateZeroedBlock(size);
    if (*block == nullptr) {
      ReportFailure(u"LocalAlloc");
      return ReadOutcome::kFailed;
    }
    tried = required;
  }
  return ReadOutcome::kRead;
}

}  // namespace

int ReportFailure(const char16_t* operation) {
  const std::uint32_t code = GetLastErrorCode();
  char16_t* text = nullptr;
  const std::uint32_t length = SystemMessage(code, &text);
  // The system's text is printed as it comes, its own line end included.
  if (length > 0) {
    WriteLine({operation, u" FAILURE: ", std::u16string_view(text, length), u"\n"});
  } else {
    WriteLine({operation, u" FAILURE: (", HexCode(code), u")\n"});
  }
  FreeBlock(text);
  SetLastErrorCode(code);
  return 0;
}

bool SearchPresentDevice(const char16_t* hardware_id) {
  const DeviceList list = OpenPresentDeviceList();
  if (list == kNoDeviceList) {
    return ReportFailure(u"GetClassDevs(All Present Devices)") != 0;
  }
  WriteLine({u"Search for Device ID: [", hardware_id, u"]\n"});

  bool found = false;
  DeviceRecord record{};
  record.Size = kDeviceRecordSize;
  for (std::uint32_t index = 0; !found && EnumerateDevice(list, index, &record); ++index) {
    void* block = nullptr;
    const ReadOutcome outcome = ReadHardwareIdList(list, &record, &block);
    if (outcome == ReadOutcome::kFailed) {
      break;  // the remaining devices are not examined
    }
    // Only the first entry of the list counts; an empty list matches nothing.
    const auto* first_id = static_cast<const char16_t*>(block);
    if (first_id != nullptr && std::u16string_view(first_id) == hardware_id) {
      WriteLine({u"Found! [", first_id, u"]\n"});
      found = true;
    }
    FreeBlock(block);
  }

  // The last-error code tells how the search ended: 0 only after the read of the
  // matching device's list; the enumeration's end or a failed read leave their code.
  const std::uint32_t code = GetLastErrorCode();
  CloseDeviceList(list);
  SetLastErrorCode(code);
  return code == 0;
}

int UpdateDeviceDriver(const char16_t* hardware_id, const char16_t* inf_path) {
  WriteLine({u"\"", inf_path, u"\" found.\n"});
  if (!SearchPresentDevice(hardware_id)) {
    return 0;
  }
  // The update names the hardware ID, not the device found: the platform decides which
  // present devices receive the driver.
  if (!ForceDriverUpdate(hardware_id, inf_path)) {
    ReportFailure(u"UpdateDriverForPlugAndPlayDevices");
    return 2;
  }
  WriteOutput(u"Driver Installed successfully.\n");
  return 0;
}
