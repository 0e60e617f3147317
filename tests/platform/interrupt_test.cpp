// Requests to stop caught as a flag, and nested catching (a command that
// catches while a progress watch inside it catches too).
#include <signal.h>

#include <gtest/gtest.h>

#include "platform/interrupt.h"

namespace orlix {
namespace {

TEST(Interrupts, ARequestIsRecordedAsItsKind) {
  InstallInterruptHandlers();
  raise(SIGTERM);
  EXPECT_EQ(InterruptReceived(), TInterrupt::Terminate);
  RestoreInterruptHandlers();
}

TEST(Interrupts, AnInnerPairKeepsARequestCaughtBefore) {
  InstallInterruptHandlers();
  raise(SIGINT);
  InstallInterruptHandlers();
  EXPECT_EQ(InterruptReceived(), TInterrupt::Interrupt);
  RestoreInterruptHandlers();
  EXPECT_EQ(InterruptReceived(), TInterrupt::Interrupt);
  RestoreInterruptHandlers();
}

TEST(Interrupts, AnInnerRestoreLeavesTheRequestsCaught) {
  InstallInterruptHandlers();
  InstallInterruptHandlers();
  RestoreInterruptHandlers();
  // Were the old effect back, this would end the test program.
  raise(SIGHUP);
  EXPECT_EQ(InterruptReceived(), TInterrupt::HangUp);
  RestoreInterruptHandlers();
}

volatile sig_atomic_t own_handler_calls = 0;
void OwnHandler(int) { own_handler_calls = own_handler_calls + 1; }

TEST(Interrupts, TheOutermostRestoreGivesTheOldEffectBack) {
  struct sigaction own = {}, before = {};
  own.sa_handler = OwnHandler;
  sigemptyset(&own.sa_mask);
  sigaction(SIGHUP, &own, &before);
  InstallInterruptHandlers();
  InstallInterruptHandlers();
  RestoreInterruptHandlers();
  RestoreInterruptHandlers();
  raise(SIGHUP);
  EXPECT_EQ(own_handler_calls, 1);
  sigaction(SIGHUP, &before, nullptr);
}

}  // namespace
}  // namespace orlix
