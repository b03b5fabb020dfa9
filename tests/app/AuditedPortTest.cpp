// The port the main window starts and stops, with the audit trail told of each capture.
#include "app/AuditedPort.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/AuditTrailCheck.h"
#include "app/CaptureApp.h"
#include "tests/app/Fakes.h"
#include "tests/app/TempDir.h"

namespace {

struct Port : IPortControl {
  bool Open() const override { return open; }
  void SetOpen(bool v) override {
    if (v && refuse) throw std::runtime_error("in use");
    open = v;
  }
  uint16_t ComNumber() const override { return 3; }
  char ReadChar() override { return 0; }
  uint32_t InputCount() override { return 0; }
  bool DeviceLost() override { return lost; }
  uint32_t DeviceReturns() override { return returns; }
  std::vector<TRecorderFile> RecorderFiles() const override { return {}; }
  bool open = false, refuse = false, lost = false;
  uint32_t returns = 0;
};

class AuditedPortTest : public ::testing::Test {
 protected:
  AuditedPortTest() {
    WriteFile(dir.File("Tarvolin.INI"), "[Audit]\r\nAuditing=1\r\nAuditDir=trail\r\n");
    app.startUp({});
  }
  std::vector<std::string> Types() const {
    const std::string text = ReadFile(app.auditTrail()->CurrentPath());
    std::vector<std::string> types;
    for (std::string_view line : AuditLines(text))
      types.push_back(ParseAuditLine(line).content["type"]);
    return types;
  }

  TempDir dir;
  FakeMainView main;
  FakePortOptions options;
  FakeFilterOptions filter;
  FakeComms comms;
  FakeBoxes boxes;
  FakeErrors errors;
  TCaptureApp app{TCaptureParts{main, options, filter, comms, boxes, errors}, "/opt/tarvolin",
                  [this](const std::string& name) -> std::optional<std::string> {
                    if (name == "USERPROFILE") return dir.Path();
                    return std::nullopt;
                  }};
  Port port;
  TAuditedPort audited{port, app, boxes,
                       [](uint16_t com) { return "adapter " + std::to_string(com); }};
};

TEST_F(AuditedPortTest, ACaptureIsRecordedWithTheDeviceGoingAndComingBack) {
  audited.SetOpen(true);
  ASSERT_TRUE(port.open);
  port.lost = true;
  audited.DeviceReturns();
  audited.DeviceLost();
  audited.DeviceLost();  // still lost: recorded once
  port.lost = false;
  port.returns = 1;
  audited.DeviceReturns();
  audited.DeviceLost();
  audited.SetOpen(false);
  EXPECT_FALSE(port.open);
  EXPECT_EQ(Types(), (std::vector<std::string>{"header", "config-loaded", "capture-start",
                                               "device-lost", "device-back", "capture-stop"}));
  const std::string text = ReadFile(app.auditTrail()->CurrentPath());
  EXPECT_EQ(ParseAuditLine(AuditLines(text)[2]).content["adapter"], "adapter 3");
  EXPECT_TRUE(VerifyAuditText(text).intact);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(AuditedPortTest, StartIsRefusedWithTheCauseWhileTheTrailCannotBeWritten) {
  WriteFile(dir.File("blocked"), "a file where the directory should be");
  WriteFile(dir.File("Tarvolin.INI"), "[Audit]\r\nAuditing=1\r\nAuditDir=blocked/sub\r\n");
  app.loadConfig();
  audited.SetOpen(true);
  EXPECT_FALSE(port.open) << "the port is not even opened";
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_TRUE(boxes.boxes[0].text.starts_with("Start nicht m\xF6glich!\nAudit-Trail: "))
      << boxes.boxes[0].text;
}

TEST_F(AuditedPortTest, APortThatDoesNotOpenLeavesNoCaptureRecord) {
  port.refuse = true;
  EXPECT_THROW(audited.SetOpen(true), std::runtime_error);
  EXPECT_EQ(Types(), (std::vector<std::string>{"header", "config-loaded"}));
}

}  // namespace
