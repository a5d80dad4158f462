// The memory image file of the simulator, and its command line.

#include "memory_image.h"
#include "sim_options.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(MemoryImage, RoundTripKeepsEveryCellAndTheClock) {
  std::int64_t now = 0;
  InstrumentModel model([&] { return now; });
  model.LoadDemo();
  model.SetCell(4095, 0, 0x80);
  model.SetCell(4095, 4, 0x33);
  model.SetCell(3072, 1, 0xFF);
  model.SetClock(2024, 5, 14, 9, 12, 5);

  std::stringstream file;
  WriteImage(model, file);
  InstrumentModel copy([&] { return now; });
  copy.SetCell(1000, 3, 0x44);  // not in the image: must go
  ReadImage(copy, file);
  for (int line = 0; line < InstrumentModel::Lines; ++line)
    for (int c = 0; c < InstrumentModel::CellsPerLine; ++c)
      ASSERT_EQ(copy.Cell(line, c), model.Cell(line, c)) << line << "/" << c;
  EXPECT_EQ(copy.ReadClock(), model.ReadClock());
}

TEST(MemoryImage, ReadsCommentsBlanksAndRepeatedLines) {
  std::istringstream file(
      "# a comment\n"
      "\n"
      "0255: 02 00 00 00 00 00 00 00   # two records\n"
      "258: 01 14 05 24 09 12 05 00\n"
      "0258: 0a 14 05 24 09 12 05 ff\n");
  InstrumentModel model;
  ReadImage(model, file);
  EXPECT_EQ(model.RecordCount(), 2);
  EXPECT_EQ(model.Cell(258, 0), 0x0A);
  EXPECT_EQ(model.Cell(258, 7), 0xFF);
}

TEST(MemoryImage, FaultyImageNamesItsLineAndLeavesTheMemoryAlone) {
  // Each image starts with a good entry for line 7, which must not reach the memory either.
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"0001: 00 00 00 00 00 00 00\n", "line 2: expected eight cells, found 7"},
      {"0001: 00 00 00 00 00 00 00 00 00\n", "line 2: more than eight cells"},
      {"\n0001: 00 0G 00 00 00 00 00 00\n", "line 3: cell '0G' is not two hexadecimal digits"},
      {"0001: 00 100 00 00 00 00 00 00\n", "line 2: cell '100'"},
      {"4096: 00 00 00 00 00 00 00 00\n", "line 2: line number 4096 is beyond 4095"},
      {"99999999999999999999: 00\n", "line 2: bad line number"},
      {"-1: 00 00 00 00 00 00 00 00\n", "line 2: bad line number"},
      {"0001 00 00 00 00 00 00 00 00\n", "line 2: expected '<line>:'"},
  };
  for (const auto& c : cases) {
    InstrumentModel model;
    model.SetCell(7, 0, 0x77);
    std::istringstream file(std::string("0007: 01 00 00 00 00 00 00 00\n") + c.text);
    try {
      ReadImage(model, file);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ImageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_EQ(model.Cell(7, 0), 0x77);
  }
}

TEST(SimOptions, ParsesEveryOption) {
  const SimOptions o = ParseOptions({"--port", "3", "--dir=/tmp/x", "--demo", "--save", "out.img", "--pace",
                                     "--fault", "bad-clock", "--fault=silent-after-test", "--fault", "late",
                                     "--fault", "vanish=40", "--log", "sim.log"});
  EXPECT_EQ(o.Port, 3);
  EXPECT_EQ(o.Folder, "/tmp/x");
  EXPECT_TRUE(o.Demo);
  EXPECT_EQ(o.SavePath, "out.img");
  EXPECT_TRUE(o.LoadPath.empty());
  EXPECT_TRUE(o.Pace);
  EXPECT_TRUE(o.ModelFaults.BadClock);
  EXPECT_TRUE(o.ModelFaults.SilentAfterTest);
  EXPECT_FALSE(o.ModelFaults.Silent);
  EXPECT_EQ(o.LateMs, DefaultLateMs);
  EXPECT_EQ(o.VanishAfter, 40);
  EXPECT_EQ(o.LogPath, "sim.log");

  const SimOptions image = ParseOptions({"--image", "mem.img", "--fault", "late=45", "--fault", "garbage", "-p", "8"});
  EXPECT_EQ(image.LoadPath, "mem.img");
  EXPECT_EQ(image.SavePath, "mem.img");
  EXPECT_TRUE(image.LoadIfExists);
  EXPECT_EQ(image.LateMs, 45);
  EXPECT_TRUE(image.Garbage);
  EXPECT_EQ(image.Port, 8);
  EXPECT_EQ(ParseOptions({}), SimOptions{});
}

TEST(SimOptions, RejectsWhatItCannotServe) {
  const std::vector<std::vector<std::string>> cases = {
      {"--port", "0"},        {"--port", "9"},           {"--port", "1x"},        {"--port"},
      {"--dir="},             {"--demo=yes"},            {"--fault", "noisy"},    {"--fault", "vanish"},
      {"--fault", "vanish=0"}, {"--fault", "silent=1"},  {"--fault", "late=abc"}, {"--frobnicate"},
      {"--demo", "--load", "mem.img"},
  };
  for (const auto& args : cases) EXPECT_THROW(ParseOptions(args), UsageError) << args[0];
}

}  // namespace
