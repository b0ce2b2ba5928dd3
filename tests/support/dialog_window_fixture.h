#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "document/document.h"
#include "shell/program_state.h"
#include "support/dialog_test_support.h"

namespace velmora::testing {

// The start of a dialog-window test: a fresh program state and the script of answers to the
// dialog's questions. The test fills `poses` and calls UseMotion.
class DialogWindowFixture : public ::testing::Test {
 protected:
  DialogWindowFixture() { InitialiseProgramState(state); }

  // Makes `poses` the Motion, with the Pose at `current` current; the history restarts there.
  void UseMotion(std::size_t current) {
    state.document.motion.Replace(poses, current);
    ResetHistory(state.document);
  }

  ProgramState state;
  std::vector<Pose> poses;
  ScriptedQuestions questions;
};

}  // namespace velmora::testing
