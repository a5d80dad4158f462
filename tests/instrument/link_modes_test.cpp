// Link modes against the fake port: every transition, with the line speed of each byte and the
// port's state afterwards.
#include "link_fixture.h"
#include "uni_ctrl.h"

namespace {

struct Transition {
  Byte from, to;
  std::vector<PortEvent> events;  // after the port was put into the state of `from`
  bool openAfter;
  int speedAfter;
};

std::ostream& operator<<(std::ostream& os, const Transition& t) {
  return os << int(t.from) << " -> " << int(t.to);
}

constexpr auto Open = PortEvent::Open;
constexpr auto Close = PortEvent::Close;
constexpr auto Write = PortEvent::Write;

class LinkModes : public FakeLink, public ::testing::WithParamInterface<Transition> {};

TEST_P(LinkModes, Transition) {
  const Transition& t = GetParam();
  TUniCtrl ctrl;
  // The port as each mode leaves it: closed in local mode at the start of a run, at 7200 baud
  // while listening, at 19200 baud in remote mode.
  if (t.from == mdListen) OpenPort7200();
  if (t.from == mdRemote) OpenPort19200();
  ctrl.Mode = t.from;
  Port.ClearLog();
  Port.Inject({0x77});  // stale input is drained, never taken as anything

  ctrl.SetMode(t.to);

  EXPECT_EQ(Port.Events, t.events);
  EXPECT_EQ(ctrl.Mode, t.to);
  EXPECT_EQ(Port.IsOpen(), t.openAfter);
  if (t.openAfter) {
    EXPECT_EQ(Port.LineSpeed(), t.speedAfter);
  }
  EXPECT_TRUE(Port.Rx.empty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryPair, LinkModes,
    ::testing::Values(
        Transition{mdLocal, mdListen, {{Open, 7200}}, true, 7200},
        Transition{mdLocal, mdRemote, {{Open, 7200}, {Write, 7200, 0x19}, {Close, 7200}, {Open, 19200}}, true, 19200},
        Transition{mdListen, mdLocal,
                   {{Write, 7200, 0x19}, {Close, 7200}, {Open, 19200}, {Write, 19200, 0x18}}, true, 19200},
        Transition{mdListen, mdRemote,
                   {{Close, 7200}, {Open, 7200}, {Write, 7200, 0x19}, {Close, 7200}, {Open, 19200}}, true, 19200},
        Transition{mdRemote, mdLocal, {{Write, 19200, 0x18}}, true, 19200},
        Transition{mdRemote, mdListen, {{Write, 19200, 0x18}, {Close, 19200}, {Open, 7200}}, true, 7200}));

TEST_F(FakeLink, SameModeTouchesNothing) {
  for (const Byte mode : {mdLocal, mdListen, mdRemote}) {
    TUniCtrl ctrl;
    ctrl.Mode = mode;
    Port.Inject({0x55});
    ctrl.SetMode(mode);  // the port is closed: nothing may open it, not even a drain
    EXPECT_TRUE(Port.Events.empty());
    EXPECT_EQ(Port.RxPolls, 0);
    Port.Rx.clear();
  }
}

TEST_F(FakeLink, FailedOpenKeepsTheMode) {
  TUniCtrl ctrl;
  Port.OpenFailure = OpenError("COM1", ENOENT, "/dev/ttyS0");
  EXPECT_THROW(ctrl.SetMode(mdRemote), SerialError);
  EXPECT_EQ(ctrl.Mode, mdLocal);
  EXPECT_FALSE(Port.IsOpen());
  EXPECT_TRUE(Port.Written().empty());
}

TEST(UniCtrlObject, StartsLocalWithEmptySettings) {
  const TUniCtrl fresh;
  EXPECT_EQ(fresh.Mode, mdLocal);
  EXPECT_EQ(fresh.SetupCount, 0);
  EXPECT_EQ(UniCtrl.Mode, mdLocal);
}

}  // namespace
