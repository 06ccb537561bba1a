#pragma once
// Runs body in a forked child that has a private user and mount namespace
// with a small tmpfs at mountPoint, a file system that fills up at once.
// Returns the child's exit status: 0 when body ran, kNoPrivateTmpfs where the
// system does not allow the namespace (the test is then skipped), -1 when the
// child died.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QFile>
#include <QString>
#include <functional>
#include <string>

inline constexpr int kNoPrivateTmpfs = 77;

inline bool EnterPrivateTmpfs(const QString& mountPoint, const char* size) {
  const uid_t uid = getuid();
  const gid_t gid = getgid();
  if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
  auto put = [](const char* file, const std::string& text) {
    const int fd = open(file, O_WRONLY);
    if (fd < 0) return;
    if (write(fd, text.data(), text.size()) < 0) {
    }
    close(fd);
  };
  put("/proc/self/setgroups", "deny");
  put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
  put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
  if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  const std::string options = std::string("size=") + size;
  return mount("tamsel", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, options.c_str()) == 0;
}

inline int RunInPrivateTmpfs(const QString& mountPoint, const char* size, const std::function<void()>& body) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (!EnterPrivateTmpfs(mountPoint, size)) _exit(kNoPrivateTmpfs);
    body();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
