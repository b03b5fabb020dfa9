// Runs a piece of a test as a user without special privileges, for checks that root's rights
// would hide (a read-only file that root may write all the same).
#pragma once

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>

// Runs `body` in a child process and gives its result (the child's exit status). When the test
// runs as root the child first becomes the user "nobody"; nullopt, with the reason in `why`,
// when that cannot be done. `body` must not use test assertions: the child's are lost.
inline std::optional<int> RunUnprivileged(const std::function<int()>& body, std::string& why) {
  const passwd* nobody = getuid() == 0 ? getpwnam("nobody") : nullptr;
  if (getuid() == 0 && nobody == nullptr) {
    why = "running as root and there is no user \"nobody\" to drop privileges to";
    return std::nullopt;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    why = "fork failed";
    return std::nullopt;
  }
  if (pid == 0) {
    if (nobody != nullptr &&
        (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0))
      _exit(125);
    _exit(body());
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) == 125) {
    why = "the unprivileged child did not run";
    return std::nullopt;
  }
  return WEXITSTATUS(status);
}
