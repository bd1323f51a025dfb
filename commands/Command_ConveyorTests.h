// The conveyor unit's tests: safety switches with the belts, the light
// curtain, and the raw packet display.
#ifndef COMMANDS_COMMAND_CONVEYORTESTS_H
#define COMMANDS_COMMAND_CONVEYORTESTS_H

void ConveyorSafetySwitchesTest();
void StaticCurtainTest();
void DisplayModulePacketsTest();

#endif
