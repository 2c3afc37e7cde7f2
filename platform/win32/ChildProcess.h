// Running a helper program to its end: the one way system code starts a short-lived child
// (a converter, a reader of untrusted files) and gets its outcome.
//
//   win32::TChildOptions options;
//   options.program = "/usr/bin/soffice";
//   options.arguments = {"--headless", "--convert-to", "csv", "/tmp/x/book.xls"};
//   options.outputPath = "/tmp/x/soffice.log";
//   options.timeoutMs = 60000;
//   const win32::TChildResult result = win32::RunChildProcess(options);
//   if (result.Succeeded()) ...
//
// The child runs in a process group of its own, with standard input from /dev/null (or a
// file), standard output and error into one file, every signal at its default and none
// blocked. When the child ends, or when the time limit passes first, every process still in
// its group is killed and the child is reaped: nothing started by a run outlives it and no
// zombie is left. The call blocks until then.
#pragma once

#include <string>
#include <vector>

namespace win32 {

struct TChildOptions {
  std::string program;                   // full path; never searched on PATH
  std::vector<std::string> arguments;    // after argv[0], which is `program`
  std::vector<std::string> environment;  // "NAME=value": added to the caller's, replacing it
  std::string inputPath;                 // standard input; /dev/null when empty
  std::string outputPath;                // standard output and error; created or truncated
  int timeoutMs = 30000;                 // from the start to the child's end
};

enum class EChildEnd {
  NotStarted,  // `error` says why (no such program, the output file cannot be made, ...)
  Exited,      // `exitCode` holds the exit status
  Signalled,   // `signal` ended it
  TimedOut,    // the time limit passed; the group was killed
};

struct TChildResult {
  EChildEnd end = EChildEnd::NotStarted;
  int exitCode = -1;
  int signal = 0;
  int pid = 0;  // the child's id, which also named its group; reaped by now
  std::string error;

  bool Succeeded() const { return end == EChildEnd::Exited && exitCode == 0; }
};

// Starts the child, waits for it up to the time limit and cleans up as described above.
// Never throws for a failed start: the result says NotStarted.
TChildResult RunChildProcess(const TChildOptions& options);

}  // namespace win32
