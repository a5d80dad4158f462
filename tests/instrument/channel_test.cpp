// The byte channel against the fake port: bounded receive, draining, sending, reopening.
#include <chrono>

#include "link_fixture.h"

namespace {

using Channel = FakeLink;

TEST_F(Channel, ReceiveTimesOutAfterTwentyPolls) {
  Port.Open();
  EXPECT_EQ(ReceiveByte(), 0);
  EXPECT_TRUE(RxTimeout);
  EXPECT_EQ(Port.RxPolls, 20);
}

TEST_F(Channel, ReceivedZeroIsNotATimeout) {
  Port.Open();
  RxTimeout = true;
  Port.Inject({0x00});
  EXPECT_EQ(ReceiveByte(), 0);
  EXPECT_FALSE(RxTimeout);
  EXPECT_EQ(Port.RxPolls, 1);
}

TEST_F(Channel, DrainDropsWaitingBytesWithoutPause) {
  Port.Open();
  RxTimeout = true;
  Port.Inject({1, 2, 3});
  DrainInput();
  EXPECT_TRUE(Port.Rx.empty());
  EXPECT_FALSE(RxTimeout);
  // Each byte is found at its first poll; one more poll sees the queue empty.
  EXPECT_EQ(Port.RxPolls, 3 * 2 + 1);
}

TEST_F(Channel, DrainOnEmptyQueueLeavesTimeoutFlag) {
  Port.Open();
  RxTimeout = true;
  DrainInput();
  EXPECT_TRUE(RxTimeout);
}

TEST_F(Channel, DrainIsBoundedAgainstAFloodingDevice) {
  Port.Open();
  Port.Flood = true;
  DrainInput();  // would never return if it dropped bytes while any were waiting
  EXPECT_EQ(Port.RxPolls, 2 * TVaComm::ReadSize);
}

TEST_F(Channel, ClosedPortSendsNothingAndTimesOut) {
  Port.OpenFailure = OpenError("COM1", ENOENT, "/dev/ttyS0");
  EXPECT_THROW(OpenPort19200(), SerialError);
  EXPECT_FALSE(Port.IsOpen());
  SendByte(0x42);
  EXPECT_TRUE(Port.Written().empty());
  EXPECT_FALSE(RxReady());
  EXPECT_EQ(ReceiveByte(), 0);
  EXPECT_TRUE(RxTimeout);
}

TEST_F(Channel, SendGivesUpOnAStuckTransmitter) {
  Port.Open();
  Port.StuckTransmit = true;
  const auto t0 = std::chrono::steady_clock::now();
  SendByte(0x42);  // the byte never leaves the queue
  SendByte(0x43);
  const auto waited = std::chrono::steady_clock::now() - t0;
  EXPECT_EQ(Port.Written(), (std::vector<Byte>{0x42, 0x43}));
  EXPECT_LT(waited, std::chrono::seconds(20));  // two bounded waits of about a second each
}

TEST_F(Channel, VanishedDeviceRaisesStatisticsError) {
  Port.Open();
  Port.VanishAfterWrites = 1;
  try {
    SendByte(0x42);  // the wait for the byte to leave asks the gone device for its queue counts
    ReceiveByte();
    FAIL() << "no error";
  } catch (const SerialError& e) {
    EXPECT_STREQ(e.what(), "Error retrieving statistics (5), Input/output error");
  }
}

TEST_F(Channel, ReopeningClosesFirstAndSetsTheSpeed) {
  Port.Open();
  OpenPort7200();
  OpenPort19200();
  const std::vector<PortEvent> expected = {{PortEvent::Open, 19200}, {PortEvent::Close, 19200},
                                           {PortEvent::Open, 7200},  {PortEvent::Close, 7200},
                                           {PortEvent::Open, 19200}};
  EXPECT_EQ(Port.Events, expected);
  EXPECT_TRUE(Port.DirectWrite());
}

TEST_F(Channel, PortNumberOnlyWhileClosed) {
  Port.Open();
  try {
    Port.SetPortNum(3);
    FAIL() << "no error";
  } catch (const SerialError& e) {
    EXPECT_STREQ(e.what(), "Can't perform this operation while port is open");
  }
  EXPECT_THROW(Port.Open(), SerialError);
  EXPECT_EQ(Port.PortNum(), 1);
}

TEST(SerialMessagesTest, CarryCodeAndSystemText) {
  EXPECT_STREQ(OpenError("COM3", ENOENT, "/dev/ttyS2").what(),
               "Unable to open specified device COM3 (2), No such file or directory");
  EXPECT_STREQ(SystemError(SerialMessages::Dcb, EINVAL).what(), "Error writing dcb (22), Invalid argument");
  EXPECT_EQ(OpenFailureDetail("COM1", OpenError("COM1", EACCES, "/dev/ttyUSB0")),
            "COM1 (/dev/ttyUSB0): permission denied; is the user in the dialout group?");
  EXPECT_EQ(OpenFailureDetail("COM2", OpenError("COM2", EBUSY, "/dev/ttyS1")),
            "COM2 (/dev/ttyS1): in use by another program");
}

}  // namespace
