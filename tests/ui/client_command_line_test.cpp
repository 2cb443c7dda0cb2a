// What the client makes of its command line: help and version wherever they stand before "--",
// the file or link it is to act on, and an unknown option refused.
#include "ui/client_command_line.h"

#include <gtest/gtest.h>

namespace {

using Action = CClientCommandLine::Action;

TEST(ClientCommandLine, OptionsOperandsAndTheEndOfOptions) {
  const struct {
    QStringList arguments;
    Action action;
    QStringList operands;
  } cases[] = {
      {{}, Action::kRun, {}},
      {{"Site Inspection.ppc"}, Action::kRun, {"Site Inspection.ppc"}},
      {{"qlt://new/session?values={}"}, Action::kRun, {"qlt://new/session?values={}"}},
      {{"--help"}, Action::kHelp, {}},
      {{"a.ppc", "-h"}, Action::kHelp, {}},
      {{"--version"}, Action::kVersion, {}},
      {{"--bogus", "--version"}, Action::kVersion, {}},
      {{"--bogus"}, Action::kRefused, {}},
      {{"a.ppc", "-x"}, Action::kRefused, {"a.ppc"}},
      {{"-"}, Action::kRun, {"-"}},
      {{"--", "--help"}, Action::kRun, {"--help"}},
      {{"--", "-odd name.ppc", "--"}, Action::kRun, {"-odd name.ppc", "--"}},
  };
  for (const auto& c : cases) {
    const CClientCommandLine parsed = CClientCommandLine::Parse(c.arguments);
    const std::string call = c.arguments.join(u' ').toStdString();
    EXPECT_EQ(parsed.action, c.action) << call;
    if (c.action == Action::kRun || c.action == Action::kRefused) {
      EXPECT_EQ(parsed.operands, c.operands) << call;
    }
    EXPECT_EQ(parsed.problem.isEmpty(), c.action != Action::kRefused) << call;
  }
  EXPECT_TRUE(CClientCommandLine::Parse({"-x"}).problem.contains(u"\"-x\""_qs));
}

}  // namespace
