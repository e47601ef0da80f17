#include <cstdlib>
#include <cstring>

#include "fake_platform.h"
#include "installer_platform.h"

FakePlatform Fake;

namespace {

std::string Narrow(std::u16string_view text) {
  std::string out;
  for (char16_t unit : text) {
    out += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  return out;
}

void Call(const std::string& what) { Fake.Calls.push_back(what); }

void StoreIndex(DeviceRecord* record, std::uint32_t index) {
  std::memcpy(record->PlatformData, &index, sizeof index);
}

std::uint32_t LoadIndex(const DeviceRecord* record) {
  std::uint32_t index = 0;
  std::memcpy(&index, record->PlatformData, sizeof index);
  return index;
}

bool Fail(std::uint32_t code) {
  Fake.LastError = code;
  return false;
}

}  // namespace

FakeDevice DeviceWithIds(std::initializer_list<std::u16string> ids) {
  FakeDevice device;
  for (const std::u16string& id : ids) {
    device.HardwareIds += id;
    device.HardwareIds += u'\0';
  }
  device.HardwareIds += u'\0';
  return device;
}

std::u16string FakePlatform::Output() const {
  std::u16string all;
  for (const std::u16string& write : Writes) {
    all += write;
  }
  return all;
}

bool StartFramework() {
  Call("framework");
  return Fake.FrameworkStarts;
}

bool PathExists(const char16_t* path) {
  Call("probe " + Narrow(path));
  return Fake.ExistingPaths.count(path) != 0;
}

int RunCommand(const char* command) {
  Call(std::string("command ") + command);
  Fake.Commands.push_back(command);
  Fake.LastError = kScratchError;
  return 1;
}

void WriteOutput(std::u16string_view text) { Fake.Writes.emplace_back(text); }

std::uint32_t GetLastErrorCode() { return Fake.LastError; }

void SetLastErrorCode(std::uint32_t code) { Fake.LastError = code; }

DeviceList OpenPresentDeviceList() {
  Call("open list");
  if (!Fake.ListOpens) {
    Fake.LastError = Fake.OpenError;
    return kNoDeviceList;
  }
  ++Fake.ListsOpened;
  return 1;
}

bool EnumerateDevice(DeviceList list, std::uint32_t index, DeviceRecord* record) {
  if (list != 1 || record->Size != kDeviceRecordSize) {
    return Fail(87);  // invalid parameter
  }
  if (index >= Fake.Devices.size()) {
    return Fail(kErrorNoMoreItems);
  }
  StoreIndex(record, index);
  return true;
}

bool ReadHardwareIds(DeviceList list, DeviceRecord* record, void* buffer, std::uint32_t size,
                     std::uint32_t* required) {
  ++Fake.HardwareIdReads;
  if (list != 1) {
    return Fail(6);  // invalid handle
  }
  FakeDevice& device = Fake.Devices.at(LoadIndex(record));
  if (device.ReadError != 0) {
    return Fail(device.ReadError);
  }
  if (!device.HasList) {
    return Fail(kErrorInvalidData);
  }
  const auto bytes = static_cast<std::uint32_t>(device.HardwareIds.size() * sizeof(char16_t));
  std::uint32_t needed = bytes;
  if (!device.RequiredSizes.empty()) {
    needed = device.RequiredSizes.front();
    device.RequiredSizes.erase(device.RequiredSizes.begin());
  }
  if (size < needed || size < bytes) {
    *required = needed;
    return Fail(kErrorInsufficientBuffer);
  }
  if (bytes > 0) {
    std::memcpy(buffer, device.HardwareIds.data(), bytes);
  }
  Fake.LastError = 0;
  return true;
}

void CloseDeviceList(DeviceList list) {
  Call("close list");
  if (list == 1) {
    ++Fake.ListsClosed;
  }
  Fake.LastError = kScratchError;
}

bool ForceDriverUpdate(const char16_t* hardware_id, const char16_t* inf_path) {
  Call("update " + Narrow(hardware_id) + " " + Narrow(inf_path));
  Fake.Updates.emplace_back(hardware_id, inf_path);
  if (!Fake.UpdateSucceeds) {
    return Fail(Fake.UpdateError);
  }
  return true;
}

std::uint32_t SystemMessage(std::uint32_t code, char16_t** text) {
  *text = nullptr;
  const auto found = Fake.SystemTexts.find(code);
  Fake.LastError = kScratchError;
  if (found == Fake.SystemTexts.end()) {
    return 0;
  }
  const std::u16string& message = found->second;
  *text = static_cast<char16_t*>(AllocateZeroedBlock((message.size() + 1) * sizeof(char16_t)));
  if (*text == nullptr) {
    return 0;  // out of memory: no text, as the platform would give none
  }
  std::memcpy(*text, message.data(), message.size() * sizeof(char16_t));
  Fake.LastError = kScratchError;
  return static_cast<std::uint32_t>(message.size());
}

void* AllocateZeroedBlock(std::size_t size) {
  if (Fake.AllocationFails) {
    Fail(8);  // not enough memory
    return nullptr;
  }
  ++Fake.LiveBlocks;
  return std::calloc(size, 1);
}

void FreeBlock(void* block) {
  if (block != nullptr) {
    --Fake.LiveBlocks;
    std::free(block);
  }
}
