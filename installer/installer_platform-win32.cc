// The installer's platform on Windows: SetupAPI and newdev for devices and drivers,
// kernel32 for errors, memory and files, the C runtime's system() for commands.
#include <windows.h>
// windows.h first: the device-installation headers rely on its types.
#include <newdev.h>
#include <setupapi.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "console_output.h"
#include "installer_platform.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");
static_assert(sizeof(SP_DEVINFO_DATA) == kDeviceRecordSize, "the 32-bit device record");

namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// NOLINTNEXTLINE(performance-no-int-to-ptr): the list crosses the seam as an integer
HDEVINFO Handle(DeviceList list) { return reinterpret_cast<HDEVINFO>(list); }

// The device record crosses the seam as plain bytes of the platform's own layout.
SP_DEVINFO_DATA ToPlatform(const DeviceRecord& record) {
  SP_DEVINFO_DATA data;
  std::memcpy(&data, &record, sizeof data);
  return data;
}

void FromPlatform(const SP_DEVINFO_DATA& data, DeviceRecord* record) {
  std::memcpy(record, &data, sizeof data);
}

}  // namespace

bool StartFramework() {
  // What the run needs of a framework start: the program's module and command line,
  // and no critical-error or open-file message box to stop an unattended run.
  if (GetModuleHandleW(nullptr) == nullptr || GetCommandLineW() == nullptr) {
    return false;
  }
  SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  return true;
}

bool PathExists(const char16_t* path) {
  WIN32_FIND_DATAW data;
  const HANDLE search = FindFirstFileW(Wide(path), &data);
  if (search == INVALID_HANDLE_VALUE) {
    return false;
  }
  FindClose(search);
  return true;
}

// Handing the command to the interpreter is the point: the kit's copy and registration
// commands rely on its expansion of %windir% and its copy command.
int RunCommand(const char* command) {
  return std::system(command);  // NOLINT(cert-env33-c)
}

void WriteOutput(std::u16string_view text) {
  const DWORD code = GetLastError();
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  if (StandardOutputIsConsole()) {
    WriteConsoleText(wide, text.size());
  } else if (length > 0) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8.data(), size, nullptr, nullptr);
    WriteRedirectedText(utf8.data(), utf8.size());
  }
  SetLastError(code);
}

std::uint32_t GetLastErrorCode() { return GetLastError(); }

void SetLastErrorCode(std::uint32_t code) { SetLastError(code); }

DeviceList OpenPresentDeviceList() {
  const HDEVINFO list =
      SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  return list == INVALID_HANDLE_VALUE ? kNoDeviceList : reinterpret_cast<DeviceList>(list);
}

bool EnumerateDevice(DeviceList list, std::uint32_t index, DeviceRecord* record) {
  SP_DEVINFO_DATA data = ToPlatform(*record);
  const bool ok = SetupDiEnumDeviceInfo(Handle(list), index, &data) != FALSE;
  FromPlatform(data, record);
  return ok;
}

bool ReadHardwareIds(DeviceList list, DeviceRecord* record, void* buffer, std::uint32_t size,
                     std::uint32_t* required) {
  SP_DEVINFO_DATA data = ToPlatform(*record);
  DWORD type = 0;
  DWORD needed = *required;
  const bool ok =
      SetupDiGetDeviceRegistryPropertyW(Handle(list), &data, SPDRP_HARDWAREID, &type,
                                        static_cast<BYTE*>(buffer), size, &needed) != FALSE;
  *required = needed;
  // A successful read may leave the code of an earlier "buffer too small" in place
  // (Wine does); the search tells a match by a code of 0.
  if (ok) {
    SetLastError(ERROR_SUCCESS);
  }
  return ok;
}

void CloseDeviceList(DeviceList list) { SetupDiDestroyDeviceInfoList(Handle(list)); }

bool ForceDriverUpdate(const char16_t* hardware_id, const char16_t* inf_path) {
  BOOL restart_needed = FALSE;
  return UpdateDriverForPlugAndPlayDevicesW(nullptr, Wide(hardware_id), Wide(inf_path),
                                            INSTALLFLAG_FORCE, &restart_needed) != FALSE;
}

std::uint32_t SystemMessage(std::uint32_t code, char16_t** text) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer),
      0, nullptr);
  *text = reinterpret_cast<char16_t*>(buffer);
  return length;
}

// LocalAlloc, as FormatMessageW allocates its text: FreeBlock releases both alike.
void* AllocateZeroedBlock(std::size_t size) {
  return LocalAlloc(LPTR, size);  // cppcheck-suppress LocalAllocCalled
}

void FreeBlock(void* block) {
  if (block != nullptr) {
    const DWORD code = GetLastError();
    LocalFree(block);
    SetLastError(code);
  }
}
