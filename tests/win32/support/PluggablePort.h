// A pseudo-terminal pair of a test's own as COM<n> under Wine (a link in the prefix's device
// folder, which Wine reads at each open): Unplug ends it as a pulled adapter does, PlugIn makes
// it again under the same name. The instrument's side is written from the host.
#pragma once

#include <chrono>
#include <functional>
#include <string>

// Waits until `done` holds or `timeout` passed; returns `done()`. A test that watches a port
// passes one that keeps the port's messages flowing meanwhile.
using TWaitUntil =
    std::function<bool(const std::function<bool()>& done, std::chrono::milliseconds timeout)>;

class TPluggablePort {
 public:
  // In the folder `name` below the Wine prefix `prefix`.
  TPluggablePort(const std::string& prefix, const std::string& name, int com, TWaitUntil wait);
  ~TPluggablePort();
  TPluggablePort(const TPluggablePort&) = delete;
  TPluggablePort& operator=(const TPluggablePort&) = delete;

  bool PlugIn();
  // Ends the pair's relay by its process id.
  bool Unplug();
  // `text` as printf's format: \r and \n written as such.
  bool Send(const std::string& text);

 private:
  // Runs a POSIX shell script in Wine's host (Wine starts host programs by their Unix path, but
  // cannot wait for them: the script leaves its exit status in a file the drive Z: shows). The
  // script must not contain double quotes.
  bool Shell(const std::string& script);

  std::string dir_;
  std::string link_;
  TWaitUntil wait_;
};
