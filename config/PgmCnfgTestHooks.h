// Knobs that only tests turn.
#ifndef CONFIG_PGMCNFGTESTHOOKS_H
#define CONFIG_PGMCNFGTESTHOOKS_H

// Called on the loading thread once it has claimed the load and before any
// key is read, so that a test can make other threads meet a load in progress.
void ProgramConfigSetLoadHookForTests(void (*hook)());

// Marks the configuration loaded with its initial values, without reading
// or tracing anything: for tests of the trace log itself.
void ProgramConfigUseDefaultsForTests();

#endif
