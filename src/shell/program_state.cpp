#include "shell/program_state.h"

namespace velmora {

void InitialiseProgramState(ProgramState& state) {
  state.servos.LoadAllRegisterDefaults();
  NewMotion(state.document, state.geometry, /*resetHistory=*/true);
}

}  // namespace velmora
