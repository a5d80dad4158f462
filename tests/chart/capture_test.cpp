// The kinetics capture through the instrument object, the byte channel and a fake port served by
// the instrument model.
#include <gtest/gtest.h>

#include "fake_port.h"
#include "instrument_model.h"
#include "misc.h"
#include "scal.h"
#include "ser_io32.h"
#include "uni_ctrl.h"

namespace {

class KineticsCapture : public ::testing::Test {
 protected:
  void SetUp() override {
    m_savedLoops = LoopsPerMs;
    LoopsPerMs = 1;  // one calibrated millisecond is one step: time-outs cost nothing
    RxTimeout = false;
    Port.SetPortNum(1);
    Port.Reply = [this](Byte value, int speed) {
      std::vector<Byte> reply;
      if (const auto r = Model.Receive(value, speed)) reply.push_back(*r);
      return reply;
    };
    AssignComm(&Port);
    Ctrl.SetMode(mdRemote);
    Port.ClearLog();
  }
  void TearDown() override {
    AssignComm(nullptr);
    LoopsPerMs = m_savedLoops;
  }

  InstrumentModel Model;
  FakeComm Port;
  TUniCtrl Ctrl;

 private:
  std::int32_t m_savedLoops = 0;
};

TEST_F(KineticsCapture, ReadsCellZeroOfLinesZeroTo127) {
  std::array<std::uint8_t, InstrumentModel::KineticsLines> buffer{};
  for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<std::uint8_t>(3 * i + 1);
  Model.SetKinetics(buffer);
  Model.SetCell(0, 1, 0xEE);  // a neighbouring cell must not be taken for a sample

  const TKineticsSamples samples = CaptureKinetics(Ctrl);

  for (std::size_t i = 0; i < samples.size(); ++i)
    EXPECT_EQ(samples[i], 8 * buffer[i] + 2048) << "sample " << i;
  EXPECT_EQ(Port.Written().size(), 131u) << "address (2 bytes), cell (1), 128 reads";
}

TEST_F(KineticsCapture, SilentInstrumentGivesTheZeroPoint) {
  Model.SetFaults({.Silent = true, .SilentAfterTest = false, .BadClock = false});
  for (std::uint16_t s : CaptureKinetics(Ctrl)) EXPECT_EQ(s, 2048);
  EXPECT_TRUE(RxTimeout);
}

}  // namespace
