// The capture library end to end: trace_subject runs with libkav_trace.so preloaded (and, for
// comparison, without it); its capture is read back with the inspector's capture reader and held
// against the subject's own ledger of what the loopback was handed and what its hooks received.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "capture.hpp"
#include "kav_capture.h"

extern char** environ;

namespace {

using kav::inspect::CaptureRecord;
using kav::inspect::Direction;

constexpr uint32_t kPidState = 0x95130B44u;
constexpr uint32_t kHostUpdate = 0x6668DE3Du;
constexpr uint32_t kSyncHostUpdate = 0x5E41CA45u;
constexpr std::size_t kMaxBytes = KAV_CAPTURE_SNAPLEN - KAV_CAPTURE_HEADER_SIZE;

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Subject {
  pid_t pid = 0;
  int status = -1;
  std::string out_path, capture;
  std::string out, err;
};

// Runs `trace_subject scenario`, with the capture library preloaded when traced, writing to
// run.capture unless `env` names another file. `meanwhile` runs while the subject does.
Subject run(const std::string& scenario, bool traced, const std::vector<std::string>& env = {},
            const std::function<void(const Subject&)>& meanwhile = {}) {
  static int n = 0;
  const std::string base = ::testing::TempDir() + "trace_" + std::to_string(getpid()) + "_" + std::to_string(n++);
  Subject r;
  r.out_path = base + ".out";
  r.capture = base + ".pcapng";
  std::remove(r.capture.c_str());
  std::vector<std::string> vars;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string v = *e;
    if (v.rfind("LD_PRELOAD=", 0) != 0 && v.rfind("KAV_TRACE_", 0) != 0) vars.push_back(v);
  }
  if (traced) {
    vars.push_back(std::string("LD_PRELOAD=") + TRACE_LIBRARY);
    vars.insert(vars.end(), env.begin(), env.end());
    vars.push_back("KAV_TRACE_FILE=" + r.capture);  // after env's own, which getenv finds first
  }
  std::vector<char*> envp, argv = {const_cast<char*>(TRACE_SUBJECT), const_cast<char*>(scenario.c_str()), nullptr};
  for (auto& v : vars) envp.push_back(v.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, r.out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&files, 2, (base + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  EXPECT_EQ(posix_spawn(&r.pid, TRACE_SUBJECT, &files, nullptr, argv.data(), envp.data()), 0);
  posix_spawn_file_actions_destroy(&files);
  if (meanwhile) meanwhile(r);
  waitpid(r.pid, &r.status, 0);
  r.out = slurp(r.out_path);
  r.err = slurp(base + ".err");
  return r;
}

struct Capture {
  std::vector<CaptureRecord> records;
  std::string error;  // why the reading stopped before the end
};

Capture read_capture(const std::string& path) {
  Capture c;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return {{}, "cannot open " + path};
  try {
    kav::inspect::CaptureReader reader(f, path);
    while (auto r = reader.next()) c.records.push_back(std::move(*r));
  } catch (const std::exception& e) {
    c.error = e.what();
  }
  std::fclose(f);
  return c;
}

std::string hex(const std::vector<uint8_t>& bytes) {
  std::string s;
  char b[3];
  for (uint8_t x : bytes) s.append(b, static_cast<std::size_t>(std::snprintf(b, sizeof b, "%02x", x)));
  return s;
}

// A record as the subject's ledger writes it; a note as "note TEXT".
std::string line_of(const CaptureRecord& r) {
  const std::string bytes = (r.flags & KAV_CAPTURE_NULL_DATA) != 0 ? "-" : hex(r.bytes) + (r.truncated ? "+" : "");
  char head[160];
  if (r.direction == Direction::send) {
    std::snprintf(head, sizeof head, "send %d %u %llu %u %u %u %u %u ", r.target ? 1 : 0, r.dest,
                  static_cast<unsigned long long>(r.target.value_or(0)), r.count, r.entry, r.msgid, r.length,
                  r.result.value_or(0xDEADu));
  } else if (r.direction == Direction::recv) {
    std::snprintf(head, sizeof head, "recv %u %u ", r.msgid, r.length);
  } else {
    return "note " + std::string(r.bytes.begin(), r.bytes.end());
  }
  return head + bytes;
}

// The subject's send and recv lines, cut to what a record holds of a message past the snap length.
std::vector<std::string> ledger(const std::string& out) {
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) {
    if (l.rfind("send ", 0) != 0 && l.rfind("recv ", 0) != 0) continue;
    const std::size_t b = l.rfind(' ') + 1;
    if (l.compare(b, 1, "-") != 0 && l.size() - b > 2 * kMaxBytes) l = l.substr(0, b + 2 * kMaxBytes) + "+";
    lines.push_back(l);
  }
  return lines;
}

uint32_t msgid_of(const std::string& line) {
  std::istringstream in(line);
  std::string word;
  const int at = line.rfind("send", 0) == 0 ? 7 : 2;
  for (int i = 0; i < at; ++i) in >> word;
  return static_cast<uint32_t>(std::stoul(word));
}

std::vector<std::string> lines_of(const std::vector<CaptureRecord>& records) {
  std::vector<std::string> lines;
  for (const auto& r : records) lines.push_back(line_of(r));
  return lines;
}

// The two lists hold the same lines as often (or, with `subset`, got's lines are among want's).
void expect_same(std::vector<std::string> got, std::vector<std::string> want, bool subset = false) {
  std::sort(got.begin(), got.end());
  std::sort(want.begin(), want.end());
  std::vector<std::string> extra, missing;
  std::set_difference(got.begin(), got.end(), want.begin(), want.end(), std::back_inserter(extra));
  std::set_difference(want.begin(), want.end(), got.begin(), got.end(), std::back_inserter(missing));
  EXPECT_TRUE(extra.empty()) << extra.size() << " records not in the ledger, the first: " << extra.front();
  if (!subset) {
    EXPECT_TRUE(missing.empty()) << missing.size() << " ledger lines not recorded, the first: " << missing.front();
  }
}

TEST(Trace, SixteenThreadsLoseNothingAndInterleaveNothing) {
  const Subject r = run("threads", true);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const Capture c = read_capture(r.capture);
  ASSERT_EQ(c.error, "");
  const auto want = ledger(r.out);
  EXPECT_EQ(want.size(), 2u * 16 * 100 * 9);  // every entry sent, and received by the subject's hooks
  expect_same(lines_of(c.records), want);
  std::set<uint32_t> tids;
  for (std::size_t i = 0; i < c.records.size(); ++i) {
    const CaptureRecord& x = c.records[i];
    ASSERT_EQ(x.pid, static_cast<uint32_t>(r.pid));
    tids.insert(x.tid);
    if (x.direction != Direction::send || x.entry == 0) continue;
    // The records of one call lie together, as its one write left them.
    const CaptureRecord& prev = c.records[i - 1];
    EXPECT_EQ(std::tuple(prev.direction, prev.tid, prev.time_ns, prev.entry + 1),
              std::tuple(x.direction, x.tid, x.time_ns, x.entry));
  }
  EXPECT_EQ(tids.size(), 16u);
}

TEST(Trace, ProcessKilledMidRunLeavesEveryRecordReadable) {
  unsigned acknowledged = 0;
  const Subject r = run("kill", true, {}, [&](const Subject& running) {
    for (int i = 0; i < 6000 && acknowledged < 20001; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      std::istringstream in(slurp(running.out_path));
      for (std::string l; std::getline(in, l);) std::sscanf(l.c_str(), "sent %u", &acknowledged);
    }
    kill(running.pid, SIGKILL);
  });
  ASSERT_TRUE(WIFSIGNALED(r.status) && WTERMSIG(r.status) == SIGKILL);
  ASSERT_GE(acknowledged, 20001u);
  const Capture c = read_capture(r.capture);
  ASSERT_EQ(c.error, "");
  uint32_t sends = 0, recvs = 0;
  for (const auto& x : c.records) {
    ASSERT_EQ(x.bytes.size(), 32u);
    if (x.direction == Direction::send) {
      ASSERT_EQ(x.dest, sends++);  // in the order sent, none missing
    }
    recvs += x.direction == Direction::recv ? 1 : 0;
  }
  EXPECT_GE(sends, acknowledged);
  EXPECT_TRUE(recvs == sends || recvs == sends + 1);  // a recv is written before its send
}

struct Unchanged {
  const char* name;
  const char* scenario;
  std::vector<std::string> env;
  std::string err;                      // how stderr starts (one line), or empty
  std::vector<std::string> extra_recv;  // recorded deliveries to hooks that keep no ledger
};

TEST(Trace, ProgramRunsUnchanged) {
  const Unchanged rows[] = {
      {"results and hooks forwarded", "hooks", {}, "", {}},
      {"file cannot be opened",
       "hooks",
       {"KAV_TRACE_FILE=/nonexistent/kav/t.pcapng"},
       "kav_trace: cannot open /nonexistent/kav/t.pcapng: No such file or directory; not tracing\n",
       {}},
      {"more ids than hooks", "pool", {}, "kav_trace: more than 1024 message ids registered;", {"recv 1 4 01020304"}},
  };
  for (const Unchanged& row : rows) {
    SCOPED_TRACE(row.name);
    const Subject plain = run(row.scenario, false);
    const Subject traced = run(row.scenario, true, row.env);
    EXPECT_EQ(traced.status, plain.status);
    EXPECT_EQ(traced.out, plain.out);
    EXPECT_EQ(traced.err.substr(0, row.err.size()), row.err);
    EXPECT_EQ(std::count(traced.err.begin(), traced.err.end(), '\n'), row.err.empty() ? 0 : 1);
    const Capture c = read_capture(traced.capture);
    if (row.env.empty()) {
      EXPECT_EQ(c.error, "");
      auto want = ledger(traced.out);
      want.insert(want.end(), row.extra_recv.begin(), row.extra_recv.end());
      expect_same(lines_of(c.records), want);
    } else {
      EXPECT_EQ(c.error, "cannot open " + traced.capture);
    }
  }
}

TEST(Trace, OnlyTheNamedMessagesAreRecorded) {
  struct Row {
    const char* list;
    std::set<uint32_t> ids;
    std::string err;
  } rows[] = {
      {"kav.pid_state", {kPidState}, ""},
      {" kav_host_update , 0x95130B44", {kHostUpdate, kPidState}, ""},
      {"kav_sync_host_update,1718148669,4660,kav_nosuch",
       {kSyncHostUpdate, kHostUpdate, 0x1234},
       "kav_trace: KAV_TRACE_MESSAGES: cannot read 'kav_nosuch' as a message name or MsgId; not recorded\n"},
      {"kav.pid_state.x,,0x1FFFFFFFF",
       {},
       "kav_trace: KAV_TRACE_MESSAGES: cannot read 'kav.pid_state.x' as a message "
       "name or MsgId; not recorded\nkav_trace: KAV_TRACE_MESSAGES: cannot read "
       "'0x1FFFFFFFF' as a message name or MsgId; not recorded\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.list);
    const Subject r = run("hooks", true, {std::string("KAV_TRACE_MESSAGES=") + row.list});
    EXPECT_EQ(r.err, row.err);
    std::vector<std::string> want;
    for (const auto& l : ledger(r.out))
      if (row.ids.count(msgid_of(l)) != 0) want.push_back(l);
    const Capture c = read_capture(r.capture);
    EXPECT_EQ(c.error, want.empty() ? "cannot open " + r.capture : "");  // nothing recorded, no file made
    expect_same(lines_of(c.records), want);
  }
}

TEST(Trace, SizeLimitEndsTheCaptureWithOneNote) {
  struct Row {
    const char* scenario;
    unsigned long max;
  } rows[] = {{"threads", 150000}, {"hooks", 200000}, {"hooks", 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.scenario) + " " + std::to_string(row.max));
    const Subject r = run(row.scenario, true, {"KAV_TRACE_MAX_BYTES=" + std::to_string(row.max)});
    EXPECT_EQ(r.err, "");
    const Capture c = read_capture(r.capture);
    ASSERT_EQ(c.error, "");
    ASSERT_FALSE(c.records.empty());
    const auto note = "note capture stopped: KAV_TRACE_MAX_BYTES=" + std::to_string(row.max) + " reached";
    EXPECT_EQ(line_of(c.records.back()), note);  // one note, and nothing after it
    const std::vector<CaptureRecord> before(c.records.begin(), c.records.end() - 1);
    expect_same(lines_of(before), ledger(r.out), true);
    struct stat st {};
    stat(r.capture.c_str(), &st);
    if (row.max > 1000) {
      EXPECT_LE(static_cast<unsigned long>(st.st_size), row.max);
      EXPECT_GT(before.size(), 0u);
    } else {
      EXPECT_EQ(before.size(), 0u);
    }
  }
}

}  // namespace
