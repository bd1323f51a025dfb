// Knobs that only tests turn.
#ifndef TRACE_TRACETESTHOOKS_H
#define TRACE_TRACETESTHOOKS_H

// The pause after an error line (1000 ms in the programs). Tests that are not
// about that pause may shorten it; the pause itself is tested at full length.
void TraceSetErrorHoldForTests(unsigned milliseconds);

#endif
