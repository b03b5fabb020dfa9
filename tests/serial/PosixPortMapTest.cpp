// COM numbers to device paths: environment, ports.ini, detected devices.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/posix/SerialPortMap.h"

namespace fs = std::filesystem;

namespace {

class PortMap : public testing::Test {
 protected:
  void SetUp() override {
    root_ =
        fs::temp_directory_path() / ("tarvolin-portmap-" + std::to_string(::getpid()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "dev");
    fs::create_directories(root_ / "sys");
    fs::create_directories(root_ / "profile");
    env_["USERPROFILE"] = (root_ / "profile").string();
  }
  void TearDown() override { fs::remove_all(root_); }

  TPortMapSources Sources() {
    TPortMapSources s;
    s.GetEnv = [this](const std::string& name) -> std::optional<std::string> {
      auto it = env_.find(name);
      if (it == env_.end()) return std::nullopt;
      return it->second;
    };
    s.DevDir = (root_ / "dev").string();
    s.SysTtyDir = (root_ / "sys").string();
    return s;
  }
  void Device(const std::string& name) { std::ofstream(root_ / "dev" / name).put('x'); }
  // A ttyS with a sysfs UART type; no type file at all when `type` is empty.
  void Uart(const std::string& name, const std::string& type) {
    Device(name);
    fs::create_directories(root_ / "sys" / name);
    if (!type.empty()) std::ofstream(root_ / "sys" / name / "type") << type;
  }
  void PortsIni(const std::string& text) {
    std::ofstream(root_ / "profile" / "ports.ini", std::ios::binary) << text;
  }
  std::string Dev(const std::string& name) { return (root_ / "dev" / name).string(); }

  fs::path root_;
  std::map<std::string, std::string> env_;
};

TEST(PortsIni, ReadsThePortsSectionTolerantly) {
  auto ports = ParsePortsIni(
      "\xEF\xBB\xBF[Comms]\r\nCOM1=/dev/wrong\r\n"
      "[ports]\r\n"
      "; a comment\r\n"
      "  com2 = /dev/ttyUSB1  \r\n"
      "COM3=\"/dev/serial/by-id/usb-Waage\"\r\n"
      "COM4=/dev/M\xFC"
      "ller\r\n"
      "COM0=/dev/zero\nCOMX=/dev/x\nCOM5=\nCOM2=/dev/second\n"
      "[Other]\nCOM6=/dev/other");
  std::map<int, std::string> expected = {
      {2, "/dev/ttyUSB1"}, {3, "/dev/serial/by-id/usb-Waage"}, {4, "/dev/M\xC3\xBCller"}};
  EXPECT_EQ(ports, expected);
  EXPECT_TRUE(ParsePortsIni("").empty());
  EXPECT_TRUE(ParsePortsIni("COM1=/dev/ttyS0\n").empty()) << "outside any section";
}

TEST(DeviceNames, ComNumberOfName) {
  EXPECT_EQ(ComNumberOfName("\\\\.\\COM7"), 7);
  EXPECT_EQ(ComNumberOfName("COM12"), 12);
  EXPECT_EQ(ComNumberOfName("com3"), 3);
  EXPECT_EQ(ComNumberOfName("COM65535"), 65535);
  for (const char* bad : {"COM0", "COM", "COM65536", "COM1x", "LPT1", "\\\\.\\", "COM-1", ""})
    EXPECT_EQ(ComNumberOfName(bad), 0) << bad;
}

TEST_F(PortMap, ConfigDirectoryPrecedence) {
  EXPECT_EQ(ConfigDirectory(Sources()), (root_ / "profile").string());
  env_["USERPROFILE"] = "  ";
  env_["XDG_CONFIG_HOME"] = "/xdg";
  env_["HOME"] = "/home/lab";
  EXPECT_EQ(ConfigDirectory(Sources()), "/xdg/tarvolin") << "blank USERPROFILE counts as unset";
  env_.erase("XDG_CONFIG_HOME");
  EXPECT_EQ(ConfigDirectory(Sources()), "/home/lab/.config/tarvolin");
  env_.clear();
  EXPECT_EQ(ConfigDirectory(Sources()), "");
  EXPECT_EQ(ConfigDirectory(TPortMapSources{}), "") << "sources without an environment";
}

TEST_F(PortMap, DetectsDevicesInComOrderWithNaturalSort) {
  for (const char* name :
       {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyUSB0", "tty1", "ttyUSBx", "null", "ttyS"})
    Device(name);
  Uart("ttyS1", "4\n");  // a 16550A
  Uart("ttyS0", "0\n");  // PORT_UNKNOWN: the kernel's placeholder
  Uart("ttyS10", "17");
  Uart("ttyS2", "");  // no type: not known to be a UART
  std::vector<std::string> expected = {Dev("ttyUSB0"), Dev("ttyUSB2"), Dev("ttyUSB10"),
                                       Dev("ttyACM0"), Dev("ttyS1"),   Dev("ttyS10")};
  EXPECT_EQ(DetectSerialDevices(Sources().DevDir, Sources().SysTtyDir), expected);
  EXPECT_TRUE(DetectSerialDevices((root_ / "missing").string(), Sources().SysTtyDir).empty());
}

TEST_F(PortMap, EnvironmentBeforePortsIniBeforeDetected) {
  Device("ttyUSB0");
  Device("ttyACM0");
  Device("ttyACM1");
  PortsIni("[Ports]\r\nCOM2=/dev/from-ini\r\nCOM9=/dev/nine\r\nCOM1=/dev/ini-one\r\n");
  env_["TARVOLIN_COM1"] = "/dev/pts/7";
  env_["TARVOLIN_COM3"] = " ";
  TSerialPortMap map(Sources());

  EXPECT_EQ(map.Lookup(1).Path, "/dev/pts/7");
  EXPECT_EQ(map.Lookup(1).Source, TPortSource::Environment);
  EXPECT_EQ(map.Lookup(2).Path, "/dev/from-ini");
  EXPECT_EQ(map.Lookup(2).Source, TPortSource::PortsIni);
  EXPECT_EQ(map.Lookup(3).Path, Dev("ttyACM1")) << "a blank variable does not count";
  EXPECT_EQ(map.Lookup(3).Source, TPortSource::Detected);
  EXPECT_EQ(map.Lookup(9).Path, "/dev/nine");
  EXPECT_EQ(map.Lookup(4).Source, TPortSource::None);
  EXPECT_EQ(map.Lookup(0).Path, "");
  EXPECT_EQ(map.Lookup(-1).Path, "");

  // The environment is read at each lookup, so a test can point a number at its own terminal.
  env_["TARVOLIN_COM4"] = "/dev/pts/9";
  EXPECT_EQ(map.Lookup(4).Path, "/dev/pts/9");

  EXPECT_EQ(map.ResolveDeviceName("\\\\.\\COM2"), "/dev/from-ini");
  EXPECT_EQ(map.ResolveDeviceName("com1"), "/dev/pts/7");
  EXPECT_EQ(map.ResolveDeviceName("/dev/ttyS4"), "/dev/ttyS4");
  EXPECT_EQ(map.ResolveDeviceName("COM5"), "");
  EXPECT_EQ(map.ResolveDeviceName("printer"), "");

  EXPECT_EQ(map.Describe(1), "COM1 = /dev/pts/7 (TARVOLIN_COM1)");
  EXPECT_EQ(map.Describe(2), "COM2 = /dev/from-ini (ports.ini)");
  EXPECT_EQ(map.Describe(3), "COM3 = " + Dev("ttyACM1"));
  EXPECT_EQ(map.Describe(5), "COM5: no device");
}

TEST_F(PortMap, DescribeGivesCp1252ForATooltip) {
  PortsIni("[Ports]\r\nCOM1=/dev/Waage-M\xFCller\r\n");
  TSerialPortMap map(Sources());
  EXPECT_EQ(map.Lookup(1).Path, "/dev/Waage-M\xC3\xBCller");
  EXPECT_EQ(map.Describe(1), "COM1 = /dev/Waage-M\xFCller (ports.ini)");
}

}  // namespace
