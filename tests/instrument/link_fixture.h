#pragma once
// A fake port bound to the channel, with waits shortened: one calibrated millisecond is a single
// count-down step, so time-outs cost nothing.
#include <gtest/gtest.h>

#include "fake_port.h"
#include "misc.h"
#include "ser_io32.h"

class FakeLink : public ::testing::Test {
 protected:
  void SetUp() override {
    m_savedLoops = LoopsPerMs;
    LoopsPerMs = 1;
    RxTimeout = false;
    Port.SetPortNum(1);
    AssignComm(&Port);
  }
  void TearDown() override {
    AssignComm(nullptr);
    LoopsPerMs = m_savedLoops;
  }
  FakeComm Port;

 private:
  std::int32_t m_savedLoops = 0;
};
