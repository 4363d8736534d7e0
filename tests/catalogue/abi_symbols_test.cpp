// Compares libkav.so's dynamic symbol table and dependencies with what the catalogue calls for.
//
// The expected exports come from the message names of the hand-written catalogue table: seven
// functions per message and three per package. Both directions are checked: every expected name is
// defined, and nothing else that is a function is exported.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue_values.hpp"

namespace {

using kav_catalogue::kRows;

// Runs a command and returns its standard output; fails the test when it cannot run or exits non-zero.
std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run: " << command;
    return out;
  }
  char chunk[4096];
  std::size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
  const int status = pclose(pipe);
  EXPECT_EQ(status, 0) << "command failed: " << command;
  return out;
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

std::set<std::string> expected_exports() {
  std::set<std::string> names;
  std::set<std::string> packages;
  for (const auto& row : kRows) {
    const std::string m = row.name;
    for (const char* suffix : {"__pack", "__unpack", "_free__unpacked", "__sendmsg", "__sendtomsg",
                               "__sendsingle", "__sendbatch"})
      names.insert(m + suffix);
    packages.insert(row.package);
  }
  for (const std::string& p : packages) {
    names.insert(p + "_recv_init");
    names.insert(p + "_send_init");
    names.insert(p + "__send_resource_clean");
  }
  return names;
}

// Defined function symbols of the library's dynamic symbol table, as nm -D reports them.
std::set<std::string> exported_functions() {
  std::set<std::string> names;
  std::istringstream lines(run(quoted(KAV_NM) + " -D --defined-only " + quoted(KAV_LIBRARY_PATH)));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::vector<std::string> f;
    for (std::string w; fields >> w;) f.push_back(w);
    if (f.size() < 2) continue;
    const std::string& type = f[f.size() - 2];
    std::string name = f.back();
    if (const auto at = name.find('@'); at != std::string::npos) name.resize(at);  // version tag
    if (type == "T" || type == "t" || type == "W" || type == "i" || type == "V") names.insert(name);
  }
  return names;
}

std::string join(const std::vector<std::string>& names) {
  std::string s;
  for (const auto& n : names) s += "\n  " + n;
  return s;
}

TEST(AbiSymbols, ExpectedListHasTheDocumentedSize) {
  EXPECT_EQ(expected_exports().size(), 762u);
}

TEST(AbiSymbols, ExportsAreExactlyTheDocumentedFunctions) {
  const auto expected = expected_exports();
  const auto actual = exported_functions();
  std::vector<std::string> missing, unexpected;
  for (const auto& n : expected)
    if (actual.count(n) == 0) missing.push_back(n);
  for (const auto& n : actual)
    if (expected.count(n) == 0) unexpected.push_back(n);
  EXPECT_TRUE(missing.empty()) << missing.size() << " documented functions not exported:" << join(missing);
  EXPECT_TRUE(unexpected.empty()) << unexpected.size() << " functions exported beyond the documented ones:"
                                  << join(unexpected);
}

// The dynamic section: linked against the messaging library by its plain name, and known to its
// users as libkav.so.1.
TEST(AbiSymbols, DynamicSectionNamesTheMessagingLibraryAndTheSoname) {
  const std::string dump = run(quoted(KAV_OBJDUMP) + " -p " + quoted(KAV_LIBRARY_PATH));
  std::vector<std::string> needed;
  std::string soname;
  std::istringstream lines(dump);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string key, value;
    fields >> key >> value;
    if (key == "NEEDED") needed.push_back(value);
    if (key == "SONAME") soname = value;
  }
  EXPECT_EQ(soname, "libkav.so.1");
  bool has_mesh = false;
  for (const auto& n : needed) has_mesh = has_mesh || n == "libvarelmesh.so";
  EXPECT_TRUE(has_mesh) << "NEEDED entries:" << join(needed);
}

}  // namespace
