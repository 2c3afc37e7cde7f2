// The helper-program runner on real shell children: output file, input, environment, exit
// status and signals, its own process group, the time limit, the group killed after the
// child ends or times out, and no zombie left behind.
#include "platform/win32/ChildProcess.h"
#include "tests/support/Processes.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include <signal.h>
#include <unistd.h>

namespace {

using testing_support::ReadText;
using testing_support::TempDir;
using testing_support::WriteText;

win32::TChildOptions Shell(const std::string& script, const std::string& output,
                           int timeoutMs = 20000) {
  win32::TChildOptions options;
  options.program = "/bin/sh";
  options.arguments = {"-c", script};
  options.outputPath = output;
  options.timeoutMs = timeoutMs;
  return options;
}

using testing_support::ProcessState;

bool IsRunning(int pid) {
  return testing_support::ProcessAlive(pid);
}

// Reads a pid the child wrote into a file.
int PidIn(const std::string& path) {
  const std::string text = ReadText(path);
  return text.empty() ? 0 : std::stoi(text);
}

TEST(RunChildProcess, StandardOutputAndErrorGoToTheFile) {
  TempDir dir;
  const auto result = win32::RunChildProcess(Shell("echo out; echo err >&2", dir.file("log")));
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(ReadText(dir.file("log")), "out\nerr\n");
}

TEST(RunChildProcess, InputIsEmptyUnlessAFileIsGiven) {
  TempDir dir;
  EXPECT_TRUE(win32::RunChildProcess(Shell("cat", dir.file("log"))).Succeeded());
  EXPECT_EQ(ReadText(dir.file("log")), "");

  WriteText(dir.file("in"), "from the file\n");
  auto options = Shell("cat", dir.file("log"));
  options.inputPath = dir.file("in");
  EXPECT_TRUE(win32::RunChildProcess(options).Succeeded());
  EXPECT_EQ(ReadText(dir.file("log")), "from the file\n");
}

TEST(RunChildProcess, ArgumentsArePassedAsTheyStand) {
  TempDir dir;
  win32::TChildOptions options;
  options.program = "/bin/sh";
  options.arguments = {"-c", "printf '%s|' \"$@\"", "sh", "two words", "", "\"q\" $HOME *"};
  options.outputPath = dir.file("log");
  EXPECT_TRUE(win32::RunChildProcess(options).Succeeded());
  EXPECT_EQ(ReadText(dir.file("log")), "two words||\"q\" $HOME *|");
}

TEST(RunChildProcess, EnvironmentEntriesAreAddedOrReplaced) {
  TempDir dir;
  testing_support::ScopedEnv kept("TC_CHILD_KEPT", "kept");
  testing_support::ScopedEnv replaced("TC_CHILD_REPLACED", "old");
  auto options = Shell("echo $TC_CHILD_KEPT $TC_CHILD_REPLACED $TC_CHILD_NEW", dir.file("log"));
  options.environment = {"TC_CHILD_REPLACED=new", "TC_CHILD_NEW=added"};
  EXPECT_TRUE(win32::RunChildProcess(options).Succeeded());
  EXPECT_EQ(ReadText(dir.file("log")), "kept new added\n");
}

TEST(RunChildProcess, ExitStatusAndSignalAreReported) {
  TempDir dir;
  const auto failed = win32::RunChildProcess(Shell("exit 7", dir.file("log")));
  EXPECT_EQ(failed.end, win32::EChildEnd::Exited);
  EXPECT_EQ(failed.exitCode, 7);
  EXPECT_FALSE(failed.Succeeded());

  const auto killed = win32::RunChildProcess(Shell("kill -SEGV $$", dir.file("log")));
  EXPECT_EQ(killed.end, win32::EChildEnd::Signalled);
  EXPECT_EQ(killed.signal, SIGSEGV);
}

TEST(RunChildProcess, SignalsTheCallerIgnoresAreAtTheirDefaultInTheChild) {
  TempDir dir;
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction old {};
  ASSERT_EQ(::sigaction(SIGTERM, &ignore, &old), 0);
  const auto result = win32::RunChildProcess(Shell("kill -TERM $$; sleep 5", dir.file("log")));
  ::sigaction(SIGTERM, &old, nullptr);
  EXPECT_EQ(result.end, win32::EChildEnd::Signalled);
  EXPECT_EQ(result.signal, SIGTERM);
}

TEST(RunChildProcess, TheChildLeadsAProcessGroupOfItsOwn) {
  TempDir dir;
  const auto result = win32::RunChildProcess(Shell("cut -d' ' -f5 /proc/$$/stat", dir.file("log")));
  ASSERT_TRUE(result.Succeeded());
  EXPECT_EQ(PidIn(dir.file("log")), result.pid);
  EXPECT_NE(result.pid, static_cast<int>(::getpgrp()));
}

TEST(RunChildProcess, AChildOverTheTimeLimitIsKilledWithItsWholeGroup) {
  TempDir dir;
  // The grandchild is in the same group; the child waits for it.
  const auto result = win32::RunChildProcess(
      Shell("sleep 60 & echo $! > '" + dir.file("grandchild") + "'; wait", dir.file("log"), 300));
  EXPECT_EQ(result.end, win32::EChildEnd::TimedOut);
  const int grandchild = PidIn(dir.file("grandchild"));
  ASSERT_GT(grandchild, 0);
  EXPECT_FALSE(IsRunning(grandchild));
  EXPECT_EQ(ProcessState(result.pid), 0) << "the child was not reaped";
}

TEST(RunChildProcess, ProcessesLeftBehindByAChildThatEndedAreKilled) {
  TempDir dir;
  const auto result = win32::RunChildProcess(
      Shell("sleep 60 & echo $! > '" + dir.file("grandchild") + "'", dir.file("log")));
  EXPECT_TRUE(result.Succeeded());
  const int grandchild = PidIn(dir.file("grandchild"));
  ASSERT_GT(grandchild, 0);
  EXPECT_FALSE(IsRunning(grandchild));
}

TEST(RunChildProcess, NoZombieIsLeftWhateverTheEnd) {
  TempDir dir;
  for (const auto& options :
       {Shell("true", dir.file("log")), Shell("exit 3", dir.file("log")),
        Shell("kill -KILL $$", dir.file("log")), Shell("sleep 60", dir.file("log"), 100)}) {
    const auto result = win32::RunChildProcess(options);
    ASSERT_GT(result.pid, 0);
    EXPECT_EQ(ProcessState(result.pid), 0) << options.arguments[1];
  }
}

TEST(RunChildProcess, AProgramThatCannotRunIsAFailedStart) {
  TempDir dir;
  win32::TChildOptions options;
  options.program = dir.file("missing");
  options.outputPath = dir.file("log");
  auto result = win32::RunChildProcess(options);
  EXPECT_EQ(result.end, win32::EChildEnd::NotStarted);
  EXPECT_NE(result.error.find("missing"), std::string::npos) << result.error;

  WriteText(dir.file("not-executable"), "#!/bin/sh\n");
  options.program = dir.file("not-executable");
  EXPECT_EQ(win32::RunChildProcess(options).end, win32::EChildEnd::NotStarted);
}

TEST(RunChildProcess, AnOutputFileThatCannotBeWrittenIsAFailedStart) {
  TempDir dir;
  const auto result =
      win32::RunChildProcess(Shell("touch '" + dir.file("ran") + "'", dir.file("no/such/log")));
  EXPECT_EQ(result.end, win32::EChildEnd::NotStarted);
  EXPECT_NE(result.error.find("no/such/log"), std::string::npos) << result.error;
  EXPECT_FALSE(std::ifstream(dir.file("ran")).good());

  auto options = Shell("true", dir.file("log"));
  options.inputPath = dir.file("no-such-input");
  EXPECT_EQ(win32::RunChildProcess(options).end, win32::EChildEnd::NotStarted);
}

TEST(RunChildProcess, RunsFromSeveralThreadsAtOnce) {
  TempDir dir;
  std::vector<std::thread> threads;
  std::vector<win32::TChildResult> results(6);
  for (std::size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&, i] {
      results[i] =
          win32::RunChildProcess(Shell("echo " + std::to_string(i) + "; exit " + std::to_string(i),
                                       dir.file("log" + std::to_string(i))));
    });
  }
  for (auto& t : threads) t.join();
  for (std::size_t i = 0; i < results.size(); ++i) {
    EXPECT_EQ(results[i].end, win32::EChildEnd::Exited);
    EXPECT_EQ(results[i].exitCode, static_cast<int>(i));
    EXPECT_EQ(ReadText(dir.file("log" + std::to_string(i))), std::to_string(i) + "\n");
  }
}

}  // namespace
