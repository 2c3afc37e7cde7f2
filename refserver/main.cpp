// refserver: the vendor API on 127.0.0.1 for the demo and the tests.
#include "refserver/RefServer.h"
#include "refserver/ServerOptions.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <thread>

#include <pthread.h>
#include <sys/resource.h>

namespace {

// SIGINT and SIGTERM are blocked in every thread and taken by one waiting thread, which
// stops the server so that main() returns and closes the database cleanly.
sigset_t blockStopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  return set;
}

// Every open connection is a file descriptor; the default soft limit (1024) would cap them
// well below what the server is meant to hold.
void raiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace

int main(int argc, char** argv) {
  refserver::TServerOptions options;
  std::string error;
  if (!refserver::ParseServerOptions({argv + 1, argv + argc}, options, error)) {
    std::cerr << error << "\n";
    return error.rfind("usage:", 0) == 0 ? 0 : 2;
  }
  raiseDescriptorLimit();
  const sigset_t signals = blockStopSignals();
  try {
    refserver::CRefServer server(options);
    const int port = server.Bind();
    std::printf("refserver listening on %s:%d\n", options.sAddress.c_str(), port);
    std::fflush(stdout);
    std::atomic<bool> served = false;
    std::thread stopper([&server, &served, signals] {
      int signal = 0;
      sigwait(&signals, &signal);
      // A signal that comes before the server runs would be lost by one Stop().
      while (!served) {
        server.Stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    });
    server.Serve();
    served = true;
    pthread_kill(stopper.native_handle(), SIGTERM);  // wakes it when no signal came
    stopper.join();
  } catch (const std::exception& e) {
    std::cerr << "refserver: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
