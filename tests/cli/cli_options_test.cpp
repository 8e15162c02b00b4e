#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane::cli {
namespace {

ParsedCommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

TEST(CliOptions, EachCommandReadsItsFilesNumbersAndTimes) {
  ParsedCommandLine backup = Parse({"backup", "--port", "7", "--station", "3", "-o", "a.spb"});
  ASSERT_TRUE(backup.options) << backup.output;
  EXPECT_EQ(backup.options->command, Command::kBackup);
  EXPECT_EQ(backup.options->target.port, 7);
  EXPECT_EQ(backup.options->station, 3);
  EXPECT_EQ(backup.options->file, "a.spb");
  EXPECT_EQ(backup.options->timeout, kDefaultTimeout);

  ParsedCommandLine all = Parse({"backup", "--device", "/dev/ttyUSB0", "--all", "-o", "b.spb"});
  ASSERT_TRUE(all.options) << all.output;
  EXPECT_EQ(all.options->station, 0);
  EXPECT_EQ(all.options->target.device, "/dev/ttyUSB0");

  ParsedCommandLine restore =
      Parse({"restore", "--port", "2", "in.spb", "--to-station", "8", "--timeout", "2.5", "-q"});
  ASSERT_TRUE(restore.options) << restore.output;
  EXPECT_EQ(restore.options->command, Command::kRestore);
  EXPECT_EQ(restore.options->file, "in.spb");
  EXPECT_EQ(restore.options->to_station, 8);
  EXPECT_EQ(restore.options->timeout, std::chrono::milliseconds(2500));
  EXPECT_TRUE(restore.options->quiet);
  ParsedCommandLine whole = Parse({"restore", "--port", "2", "in.spb"});
  ASSERT_TRUE(whole.options);
  EXPECT_FALSE(whole.options->to_station);

  ParsedCommandLine log = Parse({"log", "--port", "1", "--seconds", "0.25", "-o", "t.log"});
  ASSERT_TRUE(log.options) << log.output;
  EXPECT_EQ(log.options->command, Command::kLog);
  EXPECT_EQ(log.options->log_time, std::chrono::milliseconds(250));

  ParsedCommandLine clip =
      Parse({"export", "r.cvr", "--from", "1:30", "--to", "95.5", "-o", "c.gif"});
  ASSERT_TRUE(clip.options) << clip.output;
  EXPECT_TRUE(clip.options->clip);
  EXPECT_EQ(clip.options->from, std::chrono::seconds(90));
  EXPECT_EQ(clip.options->to, std::chrono::milliseconds(95'500));
}

TEST(CliOptions, AWrongCommandLineIsAUsageErrorThatSaysWhy) {
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"format"},
      {"backup", "--port", "3"},                                       // no file
      {"backup", "-o", "a.spb"},                                       // no port
      {"backup", "--port", "3", "--device", "/dev/x", "-o", "a.spb"},  // both
      {"backup", "--port", "3", "--station", "9", "-o", "a.spb"},
      {"backup", "--port", "3", "--station", "2", "--all", "-o", "a.spb"},
      {"restore", "--port", "0", "in.spb"},
      {"restore", "--port", "3", "in.spb", "--to-station", "0"},
      {"screenshot", "--port", "3", "-o", "s.png", "--timeout", "0"},
      {"log", "--port", "3", "-o", "t.log"},  // no time
      {"export", "r.cvr", "-o", "c.gif"},     // neither a time nor a stretch
      {"export", "r.cvr", "--from", "5", "--to", "1:00", "--at", "9", "-o", "c.gif"},
      {"export", "r.cvr", "--from", "5", "-o", "c.gif"},
      {"export", "r.cvr", "--from", "1:05", "--to", "65", "-o", "c.mp4"},  // ends as it starts
  };
  for (const std::vector<std::string>& args : wrong) {
    std::string line;
    for (const std::string& a : args) line += a + " ";
    SCOPED_TRACE(line);
    const ParsedCommandLine parsed = ParseCommandLine(args);
    EXPECT_FALSE(parsed.options);
    EXPECT_EQ(parsed.exit, ExitCode::kUsage);
    EXPECT_NE(parsed.output.find("corvane-cli: "), std::string::npos) << parsed.output;
  }
}

TEST(CliOptions, HelpListsTheCommandsAndEveryExitStatus) {
  const ParsedCommandLine help = Parse({"--help"});
  EXPECT_FALSE(help.options);
  EXPECT_EQ(help.exit, ExitCode::kSuccess);
  for (const char* word :
       {"backup", "restore", "screenshot", "log", "record", "export", "Exit status:"}) {
    EXPECT_NE(help.output.find(word), std::string::npos) << word;
  }
  for (int status = 0; status <= 5; ++status) {
    EXPECT_NE(help.output.find("  " + std::to_string(status) + "  "), std::string::npos) << status;
  }
  const ParsedCommandLine backup_help = Parse({"backup", "--help"});
  EXPECT_NE(backup_help.output.find("--station"), std::string::npos) << backup_help.output;
}

TEST(CliOptions, SeveralControllersNeedAFileNamePatternThatTellsThemApart) {
  ParsedCommandLine fleet =
      Parse({"screenshot", "--device", "socket://h:1", "--port", "4", "--device", "/dev/ttyS1",
             "--jobs", "2", "-o", "shots/{name}-{date}.png"});
  ASSERT_TRUE(fleet.options) << fleet.output;
  EXPECT_TRUE(fleet.options->fleet);
  EXPECT_EQ(fleet.options->jobs, 2);
  ASSERT_EQ(fleet.options->controllers.size(), 3u);
  EXPECT_EQ(fleet.options->controllers[0].name, "h_1");  // in the order given
  EXPECT_EQ(fleet.options->controllers[1].target.port, 4);
  EXPECT_EQ(fleet.options->controllers[2].name, "ttyS1");

  // One controller as ever: --all beside a port is all stations.
  ParsedCommandLine one = Parse({"backup", "--port", "4", "--all", "-o", "b.spb"});
  ASSERT_TRUE(one.options) << one.output;
  EXPECT_FALSE(one.options->fleet);
  EXPECT_EQ(one.options->target.port, 4);

  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"log", "--port", "1", "--port", "2", "--seconds", "1", "-o", "t-{date}.log"},
           {"backup", "--port", "1", "--port", "1", "-o", "{n}.spb"},
           {"backup", "--port", "1", "--devices", "plant.txt", "-o", "{n}.spb"},
           {"record", "--port", "1", "-o", "{when}.cvr"},
           {"backup", "--port", "1", "--jobs", "0", "-o", "{n}.spb"},
       }) {
    const ParsedCommandLine parsed = ParseCommandLine(args);
    EXPECT_EQ(parsed.exit, ExitCode::kUsage) << args[1] << " " << parsed.output;
    EXPECT_FALSE(parsed.options);
  }
  const ParsedCommandLine missing = Parse({"backup", "--devices", "no-such-list.txt", "-o", "{n}"});
  EXPECT_EQ(missing.exit, ExitCode::kFileError);
  EXPECT_NE(missing.output.find("no-such-list.txt"), std::string::npos) << missing.output;
}

}  // namespace
}  // namespace corvane::cli
