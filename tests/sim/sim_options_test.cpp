#include "sim_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane::sim {
namespace {

ParsedOptions Parse(std::vector<std::string_view> args) { return ParseSimOptions(args); }

TEST(SimOptions, DefaultsArePortThreeHereUnpaced) {
  const ParsedOptions p = Parse({});
  ASSERT_TRUE(p.error.empty());
  EXPECT_EQ(p.options.port, 3);
  EXPECT_EQ(p.options.dir, ".");
  EXPECT_EQ(p.options.baud, 0);
  EXPECT_EQ(p.options.faults.garbage_bytes, 0);
  EXPECT_FALSE(p.options.help);
}

TEST(SimOptions, TakesValuesInBothSpellings) {
  const ParsedOptions p =
      Parse({"--port", "7", "--dir=/tmp/x", "--baud=115200", "--seed", "42", "--log", "in.log",
             "--garbage=5", "--drop-close-every", "3", "--bracket-in-image=4", "--stall-after",
             "10", "--hangup-after=11", "--frames-limit", "12", "--exit-after=1.5"});
  ASSERT_TRUE(p.error.empty()) << p.error;
  const SimOptions& o = p.options;
  EXPECT_EQ(o.port, 7);
  EXPECT_EQ(o.dir, "/tmp/x");
  EXPECT_EQ(o.baud, 115200);
  EXPECT_EQ(o.seed, 42u);
  EXPECT_EQ(o.log_path, "in.log");
  EXPECT_EQ(o.faults.garbage_bytes, 5);
  EXPECT_EQ(o.faults.drop_close_every, 3);
  EXPECT_EQ(o.faults.bracket_every, 4);
  EXPECT_EQ(o.faults.stall_after, 10);
  EXPECT_EQ(o.faults.hangup_after, 11);
  EXPECT_EQ(o.frames_limit, 12);
  EXPECT_EQ(o.exit_after_ms, 1500);
}

TEST(SimOptions, RefusesBadCommandLinesWithAReason) {
  const std::vector<std::vector<std::string_view>> bad = {{"--port", "0"},
                                                          {"--port", "256"},
                                                          {"--port", "3x"},
                                                          {"--port"},
                                                          {"--baud", "-9600"},
                                                          {"--bogus", "1"},
                                                          {"com3"},
                                                          {"--exit-after", "0"},
                                                          {"--exit-after", "1.2345"},
                                                          {"--exit-after", "abc"},
                                                          {"--garbage", "99999"},
                                                          {"--dir="},
                                                          {"--frames-limit", "0"},
                                                          {"--por", "3"},
                                                          {"--ports=3"},
                                                          {"-port", "3"}};
  for (const auto& args : bad) {
    const ParsedOptions p = Parse(args);
    EXPECT_FALSE(p.error.empty()) << args[0];
  }
  EXPECT_NE(Parse({"--bogus"}).error.find("unknown option --bogus"), std::string::npos);
}

// "100" suits every option that takes a value, so each one must take it in
// both spellings alike and keep it somewhere, and must ask for its value when
// it comes last without one.
TEST(SimOptions, EveryOptionInTheTableTakesBothSpellings) {
  for (const SimOption& option : SimOptionTable()) {
    const std::string name(option.name);
    if (option.value_name.empty()) {
      EXPECT_NE(Parse({option.name}).options, SimOptions{}) << name << " changed nothing";
      if (!option.alias.empty()) {
        EXPECT_EQ(Parse({option.alias}).options, Parse({option.name}).options) << name;
      }
      continue;
    }
    const std::string joined = name + "=100";
    const ParsedOptions apart = Parse({option.name, "100"});
    const ParsedOptions together = Parse({joined});
    ASSERT_TRUE(apart.error.empty()) << apart.error;
    ASSERT_TRUE(together.error.empty()) << together.error;
    EXPECT_EQ(apart.options, together.options) << name;
    EXPECT_NE(apart.options, SimOptions{}) << name << " kept nothing";
    EXPECT_EQ(Parse({option.name}).error, "option " + name + " needs a value (see --help)");
  }
}

TEST(SimOptions, HelpDescribesEveryOption) {
  EXPECT_TRUE(Parse({"--help"}).options.help);
  const std::string_view help = SimHelpText();
  for (const std::string_view option :
       {"--port", "--dir", "--baud", "--seed", "--log", "--frames-limit", "--exit-after", "--help",
        "--garbage", "--drop-close-every", "--bracket-in-image", "--stall-after",
        "--hangup-after"}) {
    EXPECT_NE(help.find(option), std::string_view::npos) << option;
  }
}

}  // namespace
}  // namespace corvane::sim
