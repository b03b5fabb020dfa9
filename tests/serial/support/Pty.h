// A pseudo-terminal for serial tests: the test plays the instrument on the master side, the code
// under test opens the slave path like a serial port. The slave starts raw (openpty's default is
// cooked), and the fixture keeps its own slave descriptor so that the terminal lives on while the
// code under test opens and closes it.
#pragma once

#include <termios.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

class TPty {
 public:
  // Throws std::runtime_error when no pseudo-terminal can be had.
  TPty();
  ~TPty();
  TPty(const TPty&) = delete;
  TPty& operator=(const TPty&) = delete;

  const std::string& SlavePath() const { return slavePath_; }
  int MasterFd() const { return master_; }

  // The slave's current settings as the code under test left them.
  termios SlaveSettings() const;

  // Writes all of `data` to the master; false when it did not fit before the deadline.
  bool Send(std::string_view data, std::chrono::milliseconds deadline = std::chrono::seconds(5));
  // Reads exactly `count` bytes from the master; nothing when they did not come in time.
  std::optional<std::string> Receive(size_t count,
                                     std::chrono::milliseconds deadline = std::chrono::seconds(5));

  // Hangs up the line as an unplugged adapter would: the slave side sees POLLHUP and EOF.
  void Unplug();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};
