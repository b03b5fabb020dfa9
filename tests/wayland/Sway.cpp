#include "tests/wayland/Sway.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr const char* kUser = "nobody";

// Starting clients as another user is only needed, and only possible, as root.
bool AsOtherUser() {
  return geteuid() == 0;
}

void GiveToUser(const std::string& path) {
  if (!AsOtherUser()) return;
  if (const passwd* pw = getpwnam(kUser)) {
    if (chown(path.c_str(), pw->pw_uid, pw->pw_gid) != 0) return;
  }
}

}  // namespace

TSway::~TSway() {
  Stop();
}

bool TSway::Start() {
  if (const std::string missing = XServer::MissingPrograms({"sway", "swaymsg"}); !missing.empty()) {
    error_ = missing;
    return false;
  }
  const fs::path base =
      fs::path(::testing::TempDir()) / ("tarvolin_sway_" + std::to_string(getpid()));
  fs::remove_all(base);
  base_ = base.string();
  runtimeDir_ = (base / "run").string();
  workDir_ = (base / "work").string();
  fs::create_directories(runtimeDir_);
  fs::create_directories(workDir_);
  // Sway's user must reach its runtime directory and config through the base directory.
  chmod(base.c_str(), 0755);
  chmod(runtimeDir_.c_str(), 0700);
  chmod(workDir_.c_str(), 0777);
  GiveToUser(runtimeDir_);
  GiveToUser(workDir_);
  const std::string config = (base / "config").string();
  std::ofstream(config) << "output HEADLESS-1 resolution 1280x1024\n"
                           "xwayland disable\n"
                           "default_border none\n";
  chmod(config.c_str(), 0644);

  sway_ = Launch({"env", "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
                  "WLR_RENDERER=pixman", "XDG_RUNTIME_DIR=" + runtimeDir_, "sway", "-c", config},
                 (base / "sway.log").string());
  if (sway_ < 0) {
    error_ = "sway could not be started";
    return false;
  }
  const bool up = XServer::PollUntil(
      [&] {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(runtimeDir_, ec)) {
          const std::string name = e.path().filename().string();
          if (name.starts_with("wayland-") && !name.ends_with(".lock")) socket_ = e.path().string();
          if (name.starts_with("sway-ipc.")) ipc_ = e.path().string();
        }
        return !socket_.empty() && !ipc_.empty();
      },
      kStartTimeout);
  if (!up || !Message({"-t", "get_version"})) {
    error_ = "sway did not serve: " + ReadWholeFile((base / "sway.log").string());
    Stop();
    return false;
  }
  return true;
}

pid_t TSway::Launch(const std::vector<std::string>& argv, const std::string& logFile) {
  std::vector<std::string> command;
  if (AsOtherUser()) command = {"runuser", "-u", kUser, "--"};
  command.insert(command.end(), argv.begin(), argv.end());
  const pid_t pid = fork();
  if (pid != 0) return pid;
  // A group of its own, so that stopping it ends what it started as well.
  setpgid(0, 0);
  const int out =
      open(logFile.empty() ? "/dev/null" : logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out >= 0) {
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
  }
  const int in = open("/dev/null", O_RDONLY);
  if (in >= 0) dup2(in, STDIN_FILENO);
  std::vector<char*> args;
  for (const std::string& a : command) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

pid_t TSway::Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& settings,
                   const std::string& logFile) {
  std::vector<std::string> command{"env", "WAYLAND_DISPLAY=" + socket_,
                                   "XDG_RUNTIME_DIR=" + runtimeDir_, "HOME=" + workDir_};
  command.insert(command.end(), settings.begin(), settings.end());
  command.insert(command.end(), argv.begin(), argv.end());
  const pid_t pid = Launch(command, logFile);
  if (pid > 0) clients_.push_back(pid);
  return pid;
}

bool TSway::Running(pid_t pid) {
  return waitpid(pid, nullptr, WNOHANG) == 0;
}

void TSway::Kill(pid_t pid) {
  if (pid <= 0) return;
  kill(-pid, SIGTERM);
  const bool ended = XServer::PollUntil([&] { return waitpid(pid, nullptr, WNOHANG) != 0; },
                                        std::chrono::seconds(5));
  if (!ended) {
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  // Whatever the group left behind.
  kill(-pid, SIGKILL);
  std::erase(clients_, pid);
}

bool TSway::Message(const std::vector<std::string>& args) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDOUT_FILENO);
    std::vector<std::string> command{"swaymsg", "-s", ipc_};
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

void TSway::Stop() {
  while (!clients_.empty()) Kill(clients_.back());
  if (sway_ > 0) {
    const pid_t s = sway_;
    sway_ = -1;
    clients_.push_back(s);
    Kill(s);
  }
  // Kept after a failure for the logs of sway and its clients.
  std::error_code ignored;
  if (!base_.empty() && !::testing::Test::HasFailure()) fs::remove_all(base_, ignored);
}
