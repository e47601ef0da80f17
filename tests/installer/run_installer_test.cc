// The run of Setup against the fake platform: the start-up gate, the walk of the
// device table and the closing commands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"
#include "installer.h"

namespace {

const std::vector<std::string> kCommands = {
    "copy *.dll  %windir%\\system32",
    "copy *.ocx  %windir%\\system32",
    "%windir%\\system32\\regsvr32    tarvel.ocx",
    "%windir%\\system32\\regsvr32    Quenbox.ocx",
};

const char* const kInfPaths[] = {
    ".\\DebugPrint.inf", ".\\qt8820e.inf", ".\\qt8620e.inf", ".\\qt8420e.inf",
    ".\\mb6102.inf",     ".\\mb5802.inf",  ".\\mb6314.inf",  ".\\mb6514.inf",
    ".\\mb6514.inf",     ".\\mb6714.inf",  ".\\mb6714.inf",  ".\\mb6714.inf",
};

std::vector<std::string> Probes() {
  std::vector<std::string> probes;
  for (const char* path : kInfPaths) {
    probes.push_back(std::string("probe ") + path);
  }
  return probes;
}

std::vector<std::string> CommandCalls() {
  std::vector<std::string> calls;
  for (const std::string& command : kCommands) {
    calls.push_back("command " + command);
  }
  return calls;
}

class RunInstallerTest : public ::testing::Test {
 protected:
  void SetUp() override { Fake = FakePlatform{}; }
};

TEST_F(RunInstallerTest, FailedFrameworkStartStopsEverything) {
  Fake.FrameworkStarts = false;
  Fake.ExistingPaths = {u".\\mb6714.inf"};
  EXPECT_EQ(RunInstaller(), 1);
  EXPECT_EQ(Fake.Output(), u"错误: MFC 初始化失败\n");
  EXPECT_EQ(Fake.Calls, std::vector<std::string>{"framework"});
}

TEST_F(RunInstallerTest, EmptyKitFolderStillRunsTheClosingCommands) {
  EXPECT_EQ(RunInstaller(), 0);
  EXPECT_EQ(Fake.Output(), u"");
  std::vector<std::string> expected = {"framework"};
  for (const std::string& call : Probes()) expected.push_back(call);
  for (const std::string& call : CommandCalls()) expected.push_back(call);
  EXPECT_EQ(Fake.Calls, expected);
  EXPECT_EQ(Fake.Commands, kCommands);
}

// Rows sharing an INF file are each probed and updated by themselves, in table order,
// every row finished before the next is probed.
TEST_F(RunInstallerTest, EveryRowOfASharedInfIsHandledInTurn) {
  const std::u16string shared_id = u"PCI\\VEN_4348&DEV_5049&SUBSYS_00000000&REV_10";
  Fake.ExistingPaths = {u".\\mb6714.inf"};
  Fake.Devices = {DeviceWithIds({shared_id})};
  EXPECT_EQ(RunInstaller(), 0);

  std::vector<std::string> expected = {"framework"};
  const std::vector<std::string> probes = Probes();
  expected.insert(expected.end(), probes.begin(), probes.begin() + 10);
  expected.insert(
      expected.end(),
      {"open list", "close list", probes[10], "open list", "close list", probes[11], "open list",
       "close list", "update PCI\\VEN_4348&DEV_5049&SUBSYS_00000000&REV_10 .\\mb6714.inf"});
  for (const std::string& call : CommandCalls()) expected.push_back(call);
  EXPECT_EQ(Fake.Calls, expected);

  const std::u16string found = u"\".\\mb6714.inf\" found.\n";
  EXPECT_EQ(Fake.Output(),
            found + u"Search for Device ID: [PCI\\VEN_1204&DEV_EC30&SUBSYS_A1B30001&REV_00]\n" +
                found + u"Search for Device ID: [PCI\\VEN_104C&DEV_AC60&SUBSYS_0001C3D5&REV_00]\n" +
                found + u"Search for Device ID: [" + shared_id + u"]\n" + u"Found! [" + shared_id +
                u"]\n" + u"Driver Installed successfully.\n");
}

// A present device with an ID that six rows share gets the driver update once per
// present row, with that row's own INF; failures leave the exit code at 0.
TEST_F(RunInstallerTest, SharedHardwareIdIsUpdatedPerRowAndFailuresDoNotCount) {
  const std::u16string shared_id = u"PCI\\VEN_4348&DEV_5049&SUBSYS_00000000&REV_10";
  Fake.ExistingPaths = {u".\\qt8420e.inf", u".\\mb5802.inf", u".\\mb6714.inf"};
  Fake.Devices = {DeviceWithIds({shared_id})};
  Fake.UpdateSucceeds = false;
  EXPECT_EQ(RunInstaller(), 0);
  EXPECT_EQ(Fake.Updates, (decltype(Fake.Updates){{shared_id, u".\\qt8420e.inf"},
                                                  {shared_id, u".\\mb5802.inf"},
                                                  {shared_id, u".\\mb6714.inf"}}));
  EXPECT_EQ(Fake.Commands, kCommands);
}

}  // namespace
