// The device search, the driver update and the failure report, against the fake
// platform. Every test also checks that each opened device list was destroyed and
// every block released, whatever way the search ended.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "installer.h"
#include "installer_platform.h"

namespace {

const std::u16string kSought = u"PCI\\VEN_4348&DEV_5049&SUBSYS_00000000&REV_10";
const std::u16string kOther = u"PCI\\VEN_104C&DEV_AC60&SUBSYS_0001C3D5&REV_00";
const std::u16string kSearchLine = u"Search for Device ID: [" + kSought + u"]\n";
const std::u16string kFoundLine = u"Found! [" + kSought + u"]\n";

class DeviceSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    Fake = FakePlatform{};
    Fake.SystemTexts[kErrorInsufficientBuffer] =
        u"The data area passed to a system call is too small.\r\n";
  }
  void TearDown() override {
    EXPECT_EQ(Fake.ListsOpened, Fake.ListsClosed) << "a device list was left open";
    EXPECT_EQ(Fake.LiveBlocks, 0) << "a block was not released";
  }
};

struct MatchCase {
  const char* name;
  std::vector<FakeDevice> devices;
  bool found;
};

class FirstHardwareIdMatch : public DeviceSearch,
                             public ::testing::WithParamInterface<MatchCase> {};

TEST_P(FirstHardwareIdMatch, OnlyAnExactFirstEntryMatches) {
  Fake.Devices = GetParam().devices;
  EXPECT_EQ(SearchPresentDevice(kSought.c_str()), GetParam().found);
  EXPECT_EQ(Fake.Output(), kSearchLine + (GetParam().found ? kFoundLine : u""));
  EXPECT_EQ(Fake.LastError, GetParam().found ? 0u : kErrorNoMoreItems);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, FirstHardwareIdMatch,
    ::testing::Values(
        MatchCase{"Exact", {DeviceWithIds({kSought, u"PCI\\VEN_4348&DEV_5049"})}, true},
        MatchCase{"AfterOthers", {DeviceWithIds({kOther}), DeviceWithIds({kSought})}, true},
        MatchCase{"NoDevices", {}, false},
        MatchCase{"LetterCase",
                  {DeviceWithIds({u"pci\\ven_4348&dev_5049&subsys_00000000&rev_10"})},
                  false},
        MatchCase{"SoughtIsPrefix", {DeviceWithIds({kSought + u"&X"})}, false},
        MatchCase{"DeviceIdIsPrefix", {DeviceWithIds({u"PCI\\VEN_4348&DEV_5049"})}, false},
        MatchCase{"OnlySecondEntry", {DeviceWithIds({kOther, kSought})}, false},
        MatchCase{"EmptyList", {DeviceWithIds({}), DeviceWithIds({u""})}, false},
        MatchCase{"EmptyListThenMatch", {FakeDevice{}, DeviceWithIds({kSought})}, true}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(DeviceSearch, DeviceWithoutListIsSkipped) {
  FakeDevice no_list;
  no_list.HasList = false;
  Fake.Devices = {no_list, DeviceWithIds({kSought})};
  EXPECT_TRUE(SearchPresentDevice(kSought.c_str()));
  EXPECT_EQ(Fake.Output(), kSearchLine + kFoundLine);
}

TEST_F(DeviceSearch, FirstMatchEndsTheSearch) {
  Fake.Devices = {DeviceWithIds({kSought}), DeviceWithIds({kSought}), DeviceWithIds({kSought})};
  EXPECT_TRUE(SearchPresentDevice(kSought.c_str()));
  EXPECT_EQ(Fake.Output(), kSearchLine + kFoundLine);
  EXPECT_EQ(Fake.HardwareIdReads, 2) << "later devices must not be read";
}

TEST_F(DeviceSearch, UnexpectedReadFailureEndsTheSearch) {
  FakeDevice broken;
  broken.ReadError = 31;
  Fake.SystemTexts[31] = u"A device attached to the system is not functioning.\r\n";
  Fake.Devices = {DeviceWithIds({kOther}), broken, DeviceWithIds({kSought})};
  EXPECT_FALSE(SearchPresentDevice(kSought.c_str()));
  EXPECT_EQ(Fake.Output(),
            kSearchLine +
                u"GetDeviceRegistryProperty FAILURE: A device attached to the system "
                u"is not functioning.\r\n\n");
  EXPECT_EQ(Fake.LastError, 31u);
}

TEST_F(DeviceSearch, ListThatCannotBeOpened) {
  Fake.ListOpens = false;
  Fake.OpenError = 5;
  Fake.SystemTexts[5] = u"Access denied.\r\n";
  EXPECT_FALSE(SearchPresentDevice(kSought.c_str()));
  EXPECT_EQ(Fake.Output(), u"GetClassDevs(All Present Devices) FAILURE: Access denied.\r\n\n");
  EXPECT_EQ(Fake.ListsClosed, 0);
  EXPECT_EQ(Fake.LastError, 5u);
}

TEST_F(DeviceSearch, GrowingListIsReadAgain) {
  FakeDevice device = DeviceWithIds({kSought});
  device.RequiredSizes = {8, 40};  // the list grew between the two reads
  Fake.Devices = {device};
  EXPECT_TRUE(SearchPresentDevice(kSought.c_str()));
  EXPECT_EQ(Fake.Output(), kSearchLine + kFoundLine);
}

// A platform that keeps answering "too small" without asking for more would make the
// read loop spin; it ends the search as a failed read instead.
TEST_F(DeviceSearch, TooSmallWithoutGrowingIsAFailure) {
  for (const std::vector<std::uint32_t>& sizes :
       {std::vector<std::uint32_t>{0}, std::vector<std::uint32_t>{8, 8},
        std::vector<std::uint32_t>{40, 6}}) {
    SetUp();
    FakeDevice device = DeviceWithIds({kSought});
    device.RequiredSizes = sizes;
    Fake.Devices = {device, DeviceWithIds({kSought})};
    EXPECT_FALSE(SearchPresentDevice(kSought.c_str()));
    EXPECT_EQ(Fake.Output(), kSearchLine +
                                 u"GetDeviceRegistryProperty FAILURE: The data area passed to a "
                                 u"system call is too small.\r\n\n");
    EXPECT_EQ(Fake.LastError, kErrorInsufficientBuffer);
    TearDown();
  }
}

// A malformed value without its terminating null must not be read past its block
// (AddressSanitizer watches the comparison and the found line).
TEST_F(DeviceSearch, ListWithoutTerminatorStaysInsideItsBlock) {
  FakeDevice other;
  other.HardwareIds = kOther;
  FakeDevice sought;
  sought.HardwareIds = kSought;
  Fake.Devices = {other, sought};
  EXPECT_TRUE(SearchPresentDevice(kSought.c_str()));
  EXPECT_EQ(Fake.Output(), kSearchLine + kFoundLine);
}

TEST_F(DeviceSearch, FailedAllocationEndsTheSearch) {
  Fake.AllocationFails = true;
  Fake.Devices = {DeviceWithIds({kSought})};
  EXPECT_FALSE(SearchPresentDevice(kSought.c_str()));
  EXPECT_EQ(Fake.Output(), kSearchLine + u"LocalAlloc FAILURE: (0x00000008)\n");
}

TEST_F(DeviceSearch, ReportFailureKeepsTextAndCode) {
  Fake.SystemTexts[2] = u"File %1 not found.\r\n";
  Fake.LastError = 2;
  EXPECT_EQ(ReportFailure(u"Op"), 0);
  EXPECT_EQ(Fake.LastError, 2u);
  Fake.LastError = 0xE000020B;
  EXPECT_EQ(ReportFailure(u"Other"), 0);
  EXPECT_EQ(Fake.LastError, 0xE000020Bu);
  ASSERT_EQ(Fake.Writes.size(), 2u) << "each line is one write";
  EXPECT_EQ(Fake.Writes[0], u"Op FAILURE: File %1 not found.\r\n\n");
  EXPECT_EQ(Fake.Writes[1], u"Other FAILURE: (0xE000020B)\n");
}

TEST_F(DeviceSearch, UpdateDeviceDriverResults) {
  const std::u16string inf = u".\\mb6714.inf";
  const std::u16string found_line = u"\"" + inf + u"\" found.\n";

  Fake.Devices = {DeviceWithIds({kSought})};
  EXPECT_EQ(UpdateDeviceDriver(kSought.c_str(), inf.c_str()), 0);
  EXPECT_EQ(Fake.Output(),
            found_line + kSearchLine + kFoundLine + u"Driver Installed successfully.\n");
  EXPECT_EQ(Fake.Updates, (decltype(Fake.Updates){{kSought, inf}}));

  SetUp();
  Fake.Devices = {DeviceWithIds({kSought})};
  Fake.UpdateSucceeds = false;
  Fake.UpdateError = 0xE0000203;
  EXPECT_EQ(UpdateDeviceDriver(kSought.c_str(), inf.c_str()), 2);
  EXPECT_EQ(Fake.Output(), found_line + kSearchLine + kFoundLine +
                               u"UpdateDriverForPlugAndPlayDevices FAILURE: (0xE0000203)\n");
  EXPECT_EQ(Fake.LastError, 0xE0000203u);

  for (bool list_opens : {true, false}) {  // no match, and a failed search: no update
    SetUp();
    Fake.ListOpens = list_opens;
    Fake.Devices = {DeviceWithIds({kOther})};
    EXPECT_EQ(UpdateDeviceDriver(kSought.c_str(), inf.c_str()), 0);
    EXPECT_TRUE(Fake.Updates.empty());
  }
}

}  // namespace
