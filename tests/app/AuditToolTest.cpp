// tarvolin-audit as scripts use it: its verdict line and its exit status.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/AuditTrail.h"
#include "app/AuditTrailCheck.h"
#include "tests/app/TempDir.h"

namespace {

struct TToolRun {
  int status;
  std::string output;
};

TToolRun RunTool(const std::string& arguments) {
  const std::string command = std::string(TARVOLIN_AUDIT_EXE) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  TToolRun run{-1, {}};
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(AuditTool, VerdictsAndExitStatusForScripts) {
  TempDir dir;
  {
    TAuditTrail trail(dir.Path(), {"1", "PC", "user"}, [] { return TAuditTime{1796823000250, 0}; });
    ASSERT_TRUE(trail.Open());
    ASSERT_TRUE(trail.Record({"12.5\r\n", "12.5", "12.5", "CR", "Mappe1", TResultOutcome::Typed}));
  }
  const std::string intact = dir.File("Tarvolin-Audit-2026-12.jsonl");
  std::string text = ReadFile(intact);
  text.replace(text.find("\"12.5\""), 6, "\"12.6\"");
  WriteFile(dir.File("changed.jsonl"), text);

  const struct {
    std::string arguments;
    int status;
    std::string output;
  } cases[] = {
      {"verify " + intact, 0, intact + ": intact, 2 records\n"},
      {"verify " + intact + " " + dir.File("changed.jsonl"), 1,
       intact + ": intact, 2 records\n" + dir.File("changed.jsonl") +
           ": broken at line 2: its content does not match its hash\n"},
      {"verify " + dir.File("missing.jsonl"), 2, dir.File("missing.jsonl") + ": cannot be read\n"},
      {"verify", 2, ""},
      {"export " + intact, 2, ""},
  };
  for (const auto& c : cases) {
    const TToolRun run = RunTool(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments;
    if (!c.output.empty()) {
      EXPECT_EQ(run.output, c.output) << c.arguments;
    }
  }

  const TToolRun csv = RunTool("export --csv --separator=';' " + intact);
  EXPECT_EQ(csv.status, 0);
  EXPECT_TRUE(csv.output.starts_with("\xEF\xBB\xBFseq;type;time;")) << csv.output;
  EXPECT_NE(csv.output.find(";12.5<CR><LF>;12.5;12.5;CR;Mappe1;typed;\r\n"), std::string::npos)
      << csv.output;
}

}  // namespace
