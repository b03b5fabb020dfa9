// COM numbers to device paths: environment, ports.ini, detected devices.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/posix/SerialPortMap.h"
#include "tests/app/TempDir.h"

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
  void PortsIni(const std::string& text) { WriteFile(root_ / "profile" / "ports.ini", text); }
  std::string PortsIniText() { return ReadFile(root_ / "profile" / "ports.ini"); }
  // A USB adapter as sysfs shows it: ttyUSB below the interface, ttyACM the interface itself.
  void Usb(const std::string& tty, const std::string& serial, const std::string& maker,
           const std::string& model) {
    Device(tty);
    fs::path usb = root_ / "sys" / "devices" / ("1-" + tty);
    fs::path interface = usb / ("1-" + tty + ":1.0");
    fs::path device = tty.rfind("ttyUSB", 0) == 0 ? interface / tty : interface;
    fs::create_directories(device);
    for (auto [file, text] : {std::pair{"idVendor", "0403"},
                              {"idProduct", "6001"},
                              {"serial", serial.c_str()},
                              {"manufacturer", maker.c_str()},
                              {"product", model.c_str()}})
      std::ofstream(usb / file) << text << "\n";
    fs::create_directories(root_ / "sys" / tty);
    fs::create_directory_symlink(device, root_ / "sys" / tty / "device");
  }
  void ById(const std::string& link, const std::string& tty) {
    fs::create_directories(root_ / "dev" / "serial" / "by-id");
    fs::remove(root_ / "dev" / "serial" / "by-id" / link);
    fs::create_symlink("../../" + tty, root_ / "dev" / "serial" / "by-id" / link);
  }
  void Unplug(const std::string& tty) {
    fs::remove(root_ / "dev" / tty);
    fs::remove_all(root_ / "sys" / tty);
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
  env_["TARVOLIN_COM4"] = " ";
  TSerialPortMap map(Sources());

  EXPECT_EQ(map.Lookup(1).Path, "/dev/pts/7");
  EXPECT_EQ(map.Lookup(1).Source, TPortSource::Environment);
  EXPECT_EQ(map.Lookup(2).Path, "/dev/from-ini");
  EXPECT_EQ(map.Lookup(2).Source, TPortSource::PortsIni);
  // Detected adapters take the lowest numbers ports.ini leaves free, in detection order.
  EXPECT_EQ(map.Lookup(3).Path, Dev("ttyUSB0"));
  EXPECT_EQ(map.Lookup(3).Source, TPortSource::Detected);
  EXPECT_EQ(map.Lookup(4).Path, Dev("ttyACM0")) << "a blank variable does not count";
  EXPECT_EQ(map.Lookup(5).Path, Dev("ttyACM1"));
  EXPECT_EQ(map.Lookup(9).Path, "/dev/nine");
  EXPECT_EQ(map.Lookup(6).Source, TPortSource::None);
  EXPECT_EQ(map.Lookup(0).Path, "");
  EXPECT_EQ(map.Lookup(-1).Path, "");

  // The environment is read at each lookup, so a test can point a number at its own terminal.
  env_["TARVOLIN_COM6"] = "/dev/pts/9";
  EXPECT_EQ(map.Lookup(6).Path, "/dev/pts/9");

  EXPECT_EQ(map.ResolveDeviceName("\\\\.\\COM2"), "/dev/from-ini");
  EXPECT_EQ(map.ResolveDeviceName("com1"), "/dev/pts/7");
  EXPECT_EQ(map.ResolveDeviceName("/dev/ttyS4"), "/dev/ttyS4");
  EXPECT_EQ(map.ResolveDeviceName("COM7"), "");
  EXPECT_EQ(map.ResolveDeviceName("printer"), "");

  EXPECT_EQ(map.Describe(1), "COM1 = /dev/pts/7 (TARVOLIN_COM1)");
  EXPECT_EQ(map.Describe(2), "COM2 = /dev/from-ini (ports.ini)");
  EXPECT_EQ(map.Describe(3), "COM3 = " + Dev("ttyUSB0"));
  EXPECT_EQ(map.Describe(7), "COM7: no device");
}

TEST_F(PortMap, AnAdapterKeepsItsNumberWhereverAndWheneverItComesBack) {
  Usb("ttyUSB0", "B2", "FTDI", "FT232R USB UART");
  Device("ttyUSB1");
  ById("usb-Prolific_Technology_Inc._USB-Serial_Controller_D-if00-port0", "ttyUSB1");
  Uart("ttyS0", "4");
  Uart("ttyS1", "4");
  PortsIni("[Ports]\r\nCOM1=" + Dev("ttyS0") + "\r\n");
  {
    TSerialPortMap map(Sources());
    EXPECT_EQ(map.Describe(1), "COM1 = " + Dev("ttyS0") + " (ports.ini)")
        << "a device ports.ini names keeps that number only";
    EXPECT_EQ(map.Describe(2), "COM2 = " + Dev("ttyUSB0") + " (FTDI FT232R USB UART (B2))");
    EXPECT_EQ(map.Describe(3),
              "COM3 = " + Dev("ttyUSB1") + " (Prolific Technology Inc. USB-Serial Controller D)");
    EXPECT_EQ(map.Describe(4), "COM4 = " + Dev("ttyS1"));
  }

  // Replugged: the kernel gives the Prolific adapter the other name, the FTDI one is missing and
  // a new adapter comes.
  Unplug("ttyUSB0");
  Unplug("ttyUSB1");
  Device("ttyUSB0");
  ById("usb-Prolific_Technology_Inc._USB-Serial_Controller_D-if00-port0", "ttyUSB0");
  Usb("ttyACM0", "C3", "Mettler", "Balance");
  {
    TSerialPortMap map(Sources());
    EXPECT_EQ(map.Lookup(3).Path, Dev("ttyUSB0"));
    EXPECT_EQ(map.Lookup(2).Path, "");
    EXPECT_EQ(map.Lookup(2).Source, TPortSource::Detected);
    EXPECT_EQ(map.Describe(2), "COM2: FTDI FT232R USB UART (B2), not present");
    EXPECT_EQ(map.ResolveDeviceName("COM2"), "") << "never another device in its place";
    EXPECT_EQ(map.Describe(5), "COM5 = " + Dev("ttyACM0") + " (Mettler Balance (C3))");
  }

  // ports.ini keeps every number; what else it holds stays.
  const std::vector<TAdapterNumber> expected = {
      {2, "usb:0403:6001:B2:1.0", "FTDI FT232R USB UART (B2)"},
      {3, "usb-Prolific_Technology_Inc._USB-Serial_Controller_D-if00-port0",
       "Prolific Technology Inc. USB-Serial Controller D"},
      {4, "ttyS1", ""},
      {5, "usb:0403:6001:C3:1.0", "Mettler Balance (C3)"}};
  EXPECT_EQ(ParseAdapterNumbers(PortsIniText()), expected);
  EXPECT_EQ(ParsePortsIni(PortsIniText()), (std::map<int, std::string>{{1, Dev("ttyS0")}}));
  EXPECT_EQ(TSerialPortMap(Sources()).AdapterNumbers(), expected) << "read back after a restart";
}

TEST(AdapterNumbers, SectionIsReplacedAndTheRestKept) {
  const std::string text =
      "; lab PC 3\r\n[Ports]\r\nCOM1=/dev/ttyS0\r\n[Adapters]\r\nCOM2=old\r\nName2=Old one\r\n"
      "COM3=old\r\n[Other]\nkey=value\n";
  EXPECT_EQ(ParseAdapterNumbers(text), (std::vector<TAdapterNumber>{{2, "old", "Old one"}}))
      << "an identity listed twice keeps its first number";
  const std::vector<TAdapterNumber> numbers = {{2, "usb:1:2:S:1.0",
                                                "M\xFC"
                                                "ller Waage"},
                                               {4, "ttyS1", ""}};
  const std::string written = WithAdapterNumbers(text, numbers);
  EXPECT_EQ(written,
            "; lab PC 3\r\n[Ports]\r\nCOM1=/dev/ttyS0\r\n[Adapters]\r\nCOM2=usb:1:2:S:1.0\r\n"
            "Name2=M\xFC"
            "ller Waage\r\nCOM4=ttyS1\r\n[Other]\r\nkey=value\r\n");
  EXPECT_EQ(ParseAdapterNumbers(written), numbers);
  EXPECT_EQ(WithAdapterNumbers("", {}), "[Adapters]\r\n");
}

TEST_F(PortMap, DescribeGivesCp1252ForATooltip) {
  PortsIni("[Ports]\r\nCOM1=/dev/Waage-M\xFCller\r\n");
  TSerialPortMap map(Sources());
  EXPECT_EQ(map.Lookup(1).Path, "/dev/Waage-M\xC3\xBCller");
  EXPECT_EQ(map.Describe(1), "COM1 = /dev/Waage-M\xFCller (ports.ini)");
}

}  // namespace
