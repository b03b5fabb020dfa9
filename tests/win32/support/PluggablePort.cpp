#include "tests/win32/support/PluggablePort.h"

#include <process.h>

#include <filesystem>
#include <fstream>

TPluggablePort::TPluggablePort(const std::string& prefix, const std::string& name, int com,
                               TWaitUntil wait)
    : dir_(prefix + "/" + name),
      link_(prefix + "/dosdevices/com" + std::to_string(com)),
      wait_(std::move(wait)) {
  std::filesystem::create_directories("Z:" + dir_);
}

TPluggablePort::~TPluggablePort() {
  Unplug();
  Shell("rm -f " + link_);
}

bool TPluggablePort::PlugIn() {
  const std::string a = dir_ + "/a", b = dir_ + "/b";
  return Shell("rm -f " + a + " " + b + " && (socat pty,link=" + a + ",raw,echo=0 pty,link=" + b +
               ",raw,echo=0 </dev/null >/dev/null 2>&1 & echo $! > " + dir_ +
               "/pid) && for i in $(seq 200); do [ -e " + a + " ] && [ -e " + b +
               " ] && exec ln -sfn " + a + " " + link_ + "; sleep 0.05; done; exit 1");
}

bool TPluggablePort::Unplug() {
  return Shell("[ ! -s " + dir_ + "/pid ] || { kill $(cat " + dir_ + "/pid); rm -f " + dir_ +
               "/pid; }");
}

bool TPluggablePort::Send(const std::string& text) {
  return Shell("printf '" + text + "' > " + dir_ + "/b");
}

bool TPluggablePort::Shell(const std::string& script) {
  const std::string statusFile = dir_ + "/status";
  std::error_code ignored;
  std::filesystem::remove("Z:" + statusFile, ignored);
  const std::string quoted = "\"(" + script + "); echo $? > " + statusFile + ".new && mv " +
                             statusFile + ".new " + statusFile + "\"";
  if (_spawnl(_P_NOWAIT, "Z:\\bin\\sh", "sh", "-c", quoted.c_str(), nullptr) == -1) return false;
  int status = -1;
  wait_([&] { return static_cast<bool>(std::ifstream("Z:" + statusFile) >> status); },
        std::chrono::seconds(10));
  return status == 0;
}
