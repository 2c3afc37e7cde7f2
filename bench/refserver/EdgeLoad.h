// The edge goals of the reference server under attack, measured from outside on loopback: a
// well-behaved client's small list while idle connections, slowloris clients, slow readers
// of a large list and a login flood from many addresses all run, and the large list at 64
// clients. Every attacker is bounded in count and in time, and only 127.x addresses are used.
//
// Prints each goal with its figure and whether it was met. Returns how many of the goals
// whose figure holds on a loaded machine were missed: the well-behaved client never fails,
// the server's memory, and no large list failing. Timings are printed only. Runs on the
// calling thread and the threads it starts, which have all ended when it returns.
#pragma once

#include <string>

#include <sys/types.h>

struct TEdgeTarget {
  pid_t pid = -1;
  int port = 0;
  std::string sSmallToken;  // an account of 10 messages
  std::string sLargeToken;  // an account of 50,000 messages
};

long RunEdgeGoals(const TEdgeTarget& target, int seconds);
