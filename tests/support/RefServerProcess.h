// The reference server as a real program: started on a free loopback port with its own data
// folder, stopped (and reaped) at the end. Every wait here is bounded.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace testing_support {

class RefServerProcess {
 public:
  // Runs `program --port 0 --data dataDir --fast-hash --quiet extraArgs...` and reads the
  // port from its first line ("refserver listening on 127.0.0.1:PORT"), waiting at most
  // 30 s. Throws std::runtime_error when it does not start or prints something else.
  RefServerProcess(const std::string& program, const std::string& dataDir,
                   const std::vector<std::string>& extraArgs = {});
  ~RefServerProcess();
  RefServerProcess(const RefServerProcess&) = delete;
  RefServerProcess& operator=(const RefServerProcess&) = delete;

  int Port() const { return m_nPort; }
  pid_t Pid() const { return m_nPid; }
  // SIGKILL, then reap.
  void Kill();
  // SIGTERM, then reap; a server still running after 30 s is killed. Returns the wait
  // status (-1 when nothing runs).
  int Terminate();

 private:
  pid_t m_nPid = -1;
  int m_nPort = 0;
};

}  // namespace testing_support
