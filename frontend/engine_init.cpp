// Brings the engine core into its start state.
#include "frontend/quintar.h"

void init_engine() {
    init_quin_globals();
    timer_origin = monotonic_ms();
    learningEnabled = 0;
    SetEvalHash(1024);
}
