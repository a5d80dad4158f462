#pragma once
// The instrument model behind the fake port, already in remote mode, with a fixed PC clock.
#include "instrument_model.h"
#include "link_fixture.h"
#include "uni_ctrl.h"
#include "zeit.h"

class ModelLink : public FakeLink {
 protected:
  void SetUp() override {
    FakeLink::SetUp();
    SetPcClock([this] { return PcClockNow; });
    Port.Reply = [this](Byte b, int speed) -> std::vector<Byte> {
      if (!Answering) return {};
      const auto reply = Model.Receive(b, speed);
      if (!reply) return {};
      ++RepliesGiven;
      return {*reply};
    };
    Ctrl.SetMode(mdRemote);
    ASSERT_EQ(Model.LinkMode(), InstrumentModel::Link::Remote);
    ClearLog();
  }
  void TearDown() override {
    SetPcClock({});
    FakeLink::TearDown();
  }
  // The replies the model gave since the log was cleared.
  size_t Replies() const { return RepliesGiven; }
  void ClearLog() {
    Port.ClearLog();
    RepliesGiven = 0;
  }
  size_t RepliesGiven = 0;

  std::int64_t ModelMs = 0;
  InstrumentModel Model{[this] { return ModelMs; }};
  PcTime PcClockNow{2003, 6, 19, 15, 7, 42, 0};
  bool Answering = true;
  TUniCtrl Ctrl;
};
