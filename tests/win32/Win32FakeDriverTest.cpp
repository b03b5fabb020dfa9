// The Win32 device layer on a simulated driver, for what Wine's serial driver on a pseudo-terminal
// does not show: exclusive opens, an older system's driver that refuses the ring's trailing edge
// in the event mask, a driver that aborts on line errors, an unplugged adapter and its return,
// a device call that throws in a device thread, and the port list from a scripted system list.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "serial/AdErrCodes.h"
#include "serial/AdPort.h"
#include "serial/AwFactory.h"
#include "serial/AwWin32.h"
#include "tests/support/DeviceThreadException.h"
#include "tests/support/PortReader.h"

namespace {

constexpr uint16_t kCom = 7;

// One COM port, opened by one handle at a time. An event wait stays pending until bytes arrive or
// the mask is set again, as the system's driver does.
class TFakeDriver : public IWin32Comm {
 public:
  bool olderSystem = false;  // not of the NT line; its driver refuses ev_RINGTE

  // A line error. With abort on error set the pending wait ends with 995 and every request is
  // refused until ClearCommError, as the system's drivers do.
  void LineError(uint32_t ceFlags) {
    std::lock_guard lock(mutex_);
    errors_ |= ceFlags;
    if ((state_.Flags & dcb_AbortOnError) == 0) {
      if (pendingMask_ != nullptr && (mask_ & ev_ERR)) {
        *pendingMask_ = ev_ERR;
        Complete();
      }
      return;
    }
    aborting_ = true;
    if (pendingMask_ != nullptr) Complete(kWin32OperationAborted);
  }
  void LeaveAbortOnErrorSet() {
    std::lock_guard lock(mutex_);
    state_.Flags |= dcb_AbortOnError;
  }
  // Whether abort on error is set now, and whether any write of the block carried it.
  bool AbortOnError() {
    std::lock_guard lock(mutex_);
    return (state_.Flags & dcb_AbortOnError) != 0;
  }
  bool AbortOnErrorWritten() {
    std::lock_guard lock(mutex_);
    return abortWritten_;
  }

  // The adapter is pulled: the pending wait ends with `waitError`, every later call on the old
  // handle fails with `lossError`, and opening fails with file not found until it is back.
  void Unplug(uint32_t waitError, uint32_t lossError) {
    std::lock_guard lock(mutex_);
    present_ = false;
    open_ = false;
    ++generation_;
    lossError_ = lossError;
    if (pendingMask_ != nullptr) Complete(waitError);
  }
  void PlugIn() {
    std::lock_guard lock(mutex_);
    present_ = true;
  }
  int OpenAttempts() {
    std::lock_guard lock(mutex_);
    return openAttempts_;
  }
  int DeadCalls() {
    std::lock_guard lock(mutex_);
    return deadCalls_;
  }
  uint32_t Baud() {
    std::lock_guard lock(mutex_);
    return state_.BaudRate;
  }
  // Opens wait until released, as a Bluetooth port's open does.
  void HoldOpens(bool hold) {
    {
      std::lock_guard lock(mutex_);
      holdOpens_ = hold;
    }
    completed_.notify_all();
  }

  void Push(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    rx_ += bytes;
    if (pendingMask_ != nullptr && (mask_ & ev_RXCHAR)) {
      *pendingMask_ = ev_RXCHAR;
      Complete();
    } else {
      rxEvent_ = true;
    }
  }
  std::vector<uint32_t> MasksSet() {
    std::lock_guard lock(mutex_);
    return masksSet_;
  }

  uint32_t LastError() override { return lastError_; }
  TWinHandle OpenComm(const std::string& name) override {
    std::unique_lock lock(mutex_);
    completed_.wait(lock, [&] { return !holdOpens_; });
    ++openAttempts_;
    if (name != "\\\\.\\COM" + std::to_string(kCom) || !present_)
      return Fail(2), InvalidWinHandle();
    if (open_) return Fail(5), InvalidWinHandle();
    open_ = true;
    return Current();
  }
  bool CloseHandle(TWinHandle h) override {
    std::lock_guard lock(mutex_);
    if (h == Current()) open_ = false;
    return true;
  }
  bool SetupComm(TWinHandle h, uint32_t, uint32_t) override {
    std::lock_guard lock(mutex_);
    return !Dead(h);
  }
  bool GetCommState(TWinHandle h, TWinLineBlock& block) override {
    std::lock_guard lock(mutex_);
    if (Dead(h)) return false;
    block = state_;
    return true;
  }
  bool SetCommState(TWinHandle h, const TWinLineBlock& block) override {
    std::lock_guard lock(mutex_);
    if (Dead(h)) return false;
    if (aborting_) return Fail(kWin32OperationAborted);
    abortWritten_ = abortWritten_ || (block.Flags & dcb_AbortOnError) != 0;
    state_ = block;
    return true;
  }
  bool SetReadsReturnAtOnce(TWinHandle h) override {
    std::lock_guard lock(mutex_);
    return !Dead(h);
  }
  bool SetCommMask(TWinHandle h, uint32_t mask) override {
    std::lock_guard lock(mutex_);
    if (Dead(h)) return false;
    mask_ = mask;
    masksSet_.push_back(mask);
    if (pendingMask_ != nullptr) {
      *pendingMask_ = 0;
      Complete();
    }
    return true;
  }
  bool WaitCommEvent(TWinHandle h, uint32_t* mask, TWinOverlapped& record) override {
    std::lock_guard lock(mutex_);
    if (Dead(h)) return false;
    if (aborting_) return Fail(kWin32OperationAborted);
    if (olderSystem && (mask_ & ev_RINGTE)) return Fail(kWin32InvalidParameter);
    if (rxEvent_ && (mask_ & ev_RXCHAR)) {
      rxEvent_ = false;
      *mask = ev_RXCHAR;
      return true;
    }
    pendingMask_ = mask;
    pendingRecord_ = &record;
    return Fail(kWin32IoPending);
  }
  bool ReadFile(TWinHandle h, void* buffer, uint32_t size, uint32_t* done,
                TWinOverlapped& record) override {
    std::lock_guard lock(mutex_);
    if (Dead(h)) return false;
    if (aborting_) return Fail(kWin32OperationAborted);
    *done = static_cast<uint32_t>(rx_.copy(static_cast<char*>(buffer), size));
    rx_.erase(0, *done);
    SignalWinEvent(OverlappedEvent(record));
    return true;
  }
  bool WriteFile(TWinHandle, const void*, uint32_t size, uint32_t* done, TWinOverlapped&) override {
    *done = size;
    return true;
  }
  bool GetOverlappedResult(TWinHandle, TWinOverlapped& record, uint32_t* done, bool wait) override {
    std::unique_lock lock(mutex_);
    if (wait) completed_.wait(lock, [&] { return finished_.count(&record) != 0; });
    auto it = finished_.find(&record);
    if (it == finished_.end()) return Fail(996);
    const uint32_t error = it->second;
    finished_.erase(it);
    *done = 0;
    return error == 0 || Fail(error);
  }
  bool CancelIo(TWinHandle) override { return true; }
  bool ClearCommError(TWinHandle h, uint32_t* errors, uint32_t* inQueue,
                      uint32_t* outQueue) override {
    std::lock_guard lock(mutex_);
    if (Dead(h)) return false;
    *errors = std::exchange(errors_, 0);
    aborting_ = false;
    *inQueue = static_cast<uint32_t>(rx_.size());
    *outQueue = 0;
    return true;
  }
  bool GetCommModemStatus(TWinHandle, uint32_t* status) override {
    *status = 0;
    return true;
  }
  bool EscapeCommFunction(TWinHandle, uint32_t) override { return true; }
  bool PurgeComm(TWinHandle, uint32_t) override { return true; }
  bool IsWindowsNT() override { return !olderSystem; }

 private:
  bool Fail(uint32_t error) {
    lastError_ = error;
    return false;
  }
  TWinHandle Current() const {
    return reinterpret_cast<TWinHandle>(static_cast<intptr_t>(0x100 + generation_));
  }
  // A call on the handle of an unplugged device; counted.
  bool Dead(TWinHandle h) {
    if (h == Current()) return false;
    ++deadCalls_;
    return !Fail(lossError_);
  }
  void Complete(uint32_t error = 0) {
    finished_[pendingRecord_] = error;
    SignalWinEvent(OverlappedEvent(*pendingRecord_));
    pendingMask_ = nullptr;
    pendingRecord_ = nullptr;
    completed_.notify_all();
  }

  static inline thread_local uint32_t lastError_ = 0;
  std::mutex mutex_;
  std::condition_variable completed_;
  bool open_ = false;
  TWinLineBlock state_{9600, 0x0001, 0, 0, 8, 0, 0, 17, 19};
  uint32_t mask_ = 0;
  std::vector<uint32_t> masksSet_;
  std::string rx_;
  bool rxEvent_ = false;
  uint32_t* pendingMask_ = nullptr;
  TWinOverlapped* pendingRecord_ = nullptr;
  std::map<TWinOverlapped*, uint32_t> finished_;  // completed records and their errors
  uint32_t errors_ = 0;
  bool aborting_ = false;
  bool abortWritten_ = false;
  bool present_ = true;
  int generation_ = 0;
  uint32_t lossError_ = 0;
  int openAttempts_ = 0;
  int deadCalls_ = 0;
  bool holdOpens_ = false;
};

class Win32FakeDriverTest : public ::testing::Test {
 protected:
  Win32FakeDriverTest() {
    WndMsg().AttachGuiThread();
    for (TApdComPort* p : {&port, &other}) {
      p->SetComNumber(kCom);
      p->SetPromptForPort(false);
    }
    port.SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TPortReader::Avail>(&reader));
  }
  ~Win32FakeDriverTest() override {
    port.SetOpen(false);
    other.SetOpen(false);
  }

  TFakeDriver driver;
  TSerialContextScope context{TSerialContextScope::Edited([this](TSerialContext& c) {
    c.DispatcherFactory = [this](TApdCustomComPort* owner) {
      return std::unique_ptr<TApdBaseDispatcher>(
          std::make_unique<TApdWin32Dispatcher>(owner, driver));
    };
  })};
  TApdComPort port;
  TApdComPort other;
  TPortReader reader{port};
};

TEST_F(Win32FakeDriverTest, PortHeldByAnotherHandleIsReportedInUse) {
  port.SetOpen(true);
  EXPECT_EQ(OpenFailure(other), ecAlreadyOpen) << "opened a port that is held";
  EXPECT_FALSE(other.Open());
  port.SetOpen(false);
  other.SetOpen(true);
  EXPECT_TRUE(other.Open());
}

TEST_F(Win32FakeDriverTest, DriverRefusingTheRingEdgeGetsTheMaskWithoutItAndDataStillFlows) {
  driver.olderSystem = true;
  port.SetOpen(true);
  auto* d = dynamic_cast<TApdWin32Dispatcher*>(port.Dispatcher());
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(PumpFor([&] { return d->EventMask() == 0x01F9; }));
  driver.Push("12.345\r\n");
  ASSERT_TRUE(PumpFor([&] { return reader.seen == "12.345\r\n"; })) << reader.seen;
  std::vector<uint32_t> masks = driver.MasksSet();
  ASSERT_GE(masks.size(), 2u);
  EXPECT_EQ(masks[0], 0x21F9u);
  EXPECT_EQ(masks[1], 0x01F9u);
  EXPECT_EQ(d->LiveThreads(), 3);
}

TEST_F(Win32FakeDriverTest, AbortOnErrorLeftByAnotherProgramIsClearedAndNeverWritten) {
  driver.LeaveAbortOnErrorSet();
  port.SetOpen(true);
  EXPECT_FALSE(driver.AbortOnError());
  // Line settings applied while open write the block again.
  port.SetBaud(19200);
  driver.LeaveAbortOnErrorSet();
  port.SetBaud(4800);
  EXPECT_FALSE(driver.AbortOnError());
  EXPECT_FALSE(driver.AbortOnErrorWritten());
}

TEST_F(Win32FakeDriverTest, LineErrorOnAnAbortingDriverKeepsTheComThreadAndLaterBytesArrive) {
  port.SetOpen(true);
  auto* d = dynamic_cast<TApdWin32Dispatcher*>(port.Dispatcher());
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(PumpFor([&] { return d->EventMask() != 0; }));
  // A driver that goes on aborting although the flag was cleared (the worst case).
  driver.LeaveAbortOnErrorSet();
  driver.LineError(ce_FRAME);
  ASSERT_TRUE(PumpFor([&] { return port.LastLineError() == lerFraming; }));
  driver.Push("12.345\r\n");
  ASSERT_TRUE(PumpFor([&] { return reader.seen == "12.345\r\n"; })) << reader.seen;
  EXPECT_EQ(d->LiveThreads(), 3);
}

TEST_F(Win32FakeDriverTest, UnpluggedAdapterIsLostOnceWaitsQuietlyAndReturnsWithItsSettings) {
  // What the drivers answer: the pending wait's error, then every call's on the old handle.
  const struct {
    uint32_t wait, loss;
  } unplugs[] = {{5, 5}, {kWin32OperationAborted, 22}, {1167, 1167}};
  for (const auto& u : unplugs) {
    SCOPED_TRACE(testing::Message() << "wait " << u.wait << ", then " << u.loss);
    reader.seen.clear();
    port.SetBaud(9600);
    port.SetOpen(true);
    auto* d = dynamic_cast<TApdWin32Dispatcher*>(port.Dispatcher());
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(PumpFor([&] { return d->EventMask() != 0; }));
    driver.Unplug(u.wait, u.loss);
    ASSERT_TRUE(PumpFor([&] { return port.DeviceLost(); }));
    const int deadCalls = driver.DeadCalls();
    const int opens = driver.OpenAttempts();
    const auto lostAt = std::chrono::steady_clock::now();
    // Settings changed meanwhile are kept for the return.
    port.SetBaud(4800);
    ASSERT_TRUE(PumpFor([&] { return driver.OpenAttempts() >= opens + 3; }));
    EXPECT_GE(std::chrono::steady_clock::now() - lostAt, std::chrono::milliseconds(900))
        << "looks for the device without pause";
    EXPECT_EQ(driver.DeadCalls(), deadCalls) << "goes on asking the dead handle";
    EXPECT_TRUE(port.DeviceLost());
    EXPECT_EQ(port.DeviceReturns(), 0u);

    driver.PlugIn();
    ASSERT_TRUE(PumpFor([&] { return port.DeviceReturns() == 1; }));
    EXPECT_FALSE(port.DeviceLost());
    EXPECT_EQ(driver.Baud(), 4800u);
    driver.Push("12.345\r\n");
    ASSERT_TRUE(PumpFor([&] { return reader.seen == "12.345\r\n"; })) << reader.seen;
    EXPECT_EQ(d->LiveThreads(), 3);
    port.SetOpen(false);
  }
}

TEST(Win32PortListTest, SystemSourcesMergeByNumberAndNameTheAdapter) {
  const std::map<int, std::string> deviceMap = {{1, "\\Device\\Serial0"}, {4, "\\Device\\VCP0"}};
  const std::vector<TWin32SystemPort> devices = {
      {4, "", "FTDIBUS\\VID_0403+PID_6001+A1\\0000", "FTDI", "FT232R USB UART"},
      {5, "", "BTHENUM\\{00001101}_LOCALMFG&0000\\7&1", "Microsoft",
       "Standard Serial over Bluetooth link"},
      {4, "", "the same port through its interface", "", ""},
  };
  const std::vector<TWin32SystemPort> merged = MergeSystemPorts(deviceMap, devices);
  ASSERT_EQ(merged.size(), 3u);
  EXPECT_EQ(merged[0], (TWin32SystemPort{1, "\\Device\\Serial0", "", "", ""}));
  EXPECT_EQ(merged[1], (TWin32SystemPort{4, "\\Device\\VCP0", devices[0].InstanceId, "FTDI",
                                         "FT232R USB UART"}));
  EXPECT_EQ(merged[2].InstanceId, devices[1].InstanceId);

  const struct {
    const char* maker;
    const char* model;
    const char* name;
  } names[] = {
      {"FTDI", "FT232R USB UART", "FTDI FT232R USB UART"},
      {"(Standard port types)", "Communications Port", "Communications Port"},
      {"Prolific", "Prolific USB-to-Serial Comm Port", "Prolific USB-to-Serial Comm Port"},
      {"", "", ""},
  };
  for (const auto& n : names)
    EXPECT_EQ(AdapterName({1, "", "", n.maker, n.model}), n.name) << n.maker << " / " << n.model;
}

TEST_F(Win32FakeDriverTest, PortListOpensOnlyListedPortsAndNeverOnTheCallingThread) {
  {
    // A list asked only for descriptions opens nothing (each open pulses an instrument's lines).
    TWin32PortList described({{kCom, "\\Device\\VCP0", "", "", ""}}, driver, nullptr, false);
    EXPECT_EQ(described.Describe(kCom), "COM7 = \\Device\\VCP0");
    EXPECT_EQ(driver.OpenAttempts(), 0);
  }
  driver.HoldOpens(true);
  std::mutex m;
  std::condition_variable cv;
  int settled = 0;
  TWin32PortList ports(
      {{3, "\\Device\\Serial0", "", "(Standard port types)", "Communications Port"},
       {kCom, "\\Device\\VCP0", "", "FTDI", "FT232R USB UART"}},
      driver,
      [&] {
        std::lock_guard lock(m);
        ++settled;
        cv.notify_all();
      },
      true);
  // Made and described while every open still waits.
  EXPECT_FALSE(ports.Settled());
  EXPECT_EQ(ports.Name(kCom), "FTDI FT232R USB UART");
  EXPECT_EQ(ports.Describe(kCom), "COM7 = \\Device\\VCP0 (FTDI FT232R USB UART)");
  EXPECT_EQ(ports.Describe(3), "COM3 = \\Device\\Serial0 (Communications Port)");
  driver.HoldOpens(false);
  {
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(20), [&] { return settled > 0; }));
  }
  EXPECT_TRUE(ports.Settled());
  std::vector<int> present;
  for (int n = 1; n <= 50; ++n)
    if (PortExists(n, [&](int c) { return ports.ProbePort(c); })) present.push_back(n);
  EXPECT_EQ(present, std::vector<int>{kCom});
  EXPECT_EQ(driver.OpenAttempts(), 2) << "opened ports the system does not list";
  EXPECT_EQ(settled, 1);
}

TEST_F(Win32FakeDriverTest, AnExceptionInADeviceThreadIsShownAndThePortStillCloses) {
  ExpectDeviceThreadExceptionShown<TApdWin32Dispatcher>(port, driver);
}

}  // namespace
