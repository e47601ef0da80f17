// The run of Setup: framework start, one driver update per table row whose INF file
// lies in the kit folder, then the closing copy and registration commands.
#include "installer.h"
#include "installer_platform.h"

// The INF paths and hardware IDs repeat: several cards share a driver package, and one
// package serves several cards. Each row is handled by itself, in this order.
const DeviceTableRow DeviceTable[kDeviceTableRows] = {
    {u".\\DebugPrint.inf", u"*phdcc\\DebugPrint"},
    {u".\\qt8820e.inf", u"PCI\\VEN_1204&DEV_EC30&SUBSYS_A1B20001&REV_00"},
    {u".\\qt8620e.inf", u"PCI\\VEN_104C&DEV_AC60&SUBSYS_0001C3D4&REV_00"},
    {u".\\qt8420e.inf", u"PCI\\VEN_4348&DEV_5049&SUBSYS_00000000&REV_10"},
    {u".\\mb6102.inf", u"PCI\\VEN_4348&DEV_5049&SUBSYS_00000000&REV_10"},
    {u".\\mb5802.inf", u"PCI\\VEN_4348&DEV_5049&SUBSYS_00000000&REV_10"},
    {u".\\mb6314.inf", u"PCI\\VEN_4348&DEV_5049&SUBSYS_00000000&REV_10"},
    {u".\\mb6514.inf", u"PCI\\VEN_104C&DEV_AC60&SUBSYS_0001C3D5&REV_00"},
    {u".\\mb6514.inf", u"PCI\\VEN_4348&DEV_5049&SUBSYS_00000000&REV_10"},
    {u".\\mb6714.inf", u"PCI\\VEN_1204&DEV_EC30&SUBSYS_A1B30001&REV_00"},
    {u".\\mb6714.inf", u"PCI\\VEN_104C&DEV_AC60&SUBSYS_0001C3D5&REV_00"},
    {u".\\mb6714.inf", u"PCI\\VEN_4348&DEV_5049&SUBSYS_00000000&REV_10"},
};

const char* const ClosingCommands[kClosingCommandCount] = {
    "copy *.dll  %windir%\\system32",
    "copy *.ocx  %windir%\\system32",
    "%windir%\\system32\\regsvr32    tarvel.ocx",
    "%windir%\\system32\\regsvr32    Quenbox.ocx",
};

int RunInstaller() {
  if (!StartFramework()) {
    WriteOutput(u"错误: MFC 初始化失败\n");
    return 1;
  }
  for (const DeviceTableRow& row : DeviceTable) {
    if (PathExists(row.InfPath)) {
      UpdateDeviceDriver(row.HardwareId, row.InfPath);
    }
  }
  // The interpreter and regsvr32 speak for themselves in the same console; whatever
  // they did, the next command runs and the run counts as complete.
  for (const char* command : ClosingCommands) {
    RunCommand(command);
  }
  return 0;
}
