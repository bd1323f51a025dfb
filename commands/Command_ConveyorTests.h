// The conveyor unit's tests: safety switches with the belts, the light
// curtain, and the raw packet display.
#ifndef COMMANDS_COMMAND_CONVEYORTESTS_H
#define COMMANDS_COMMAND_CONVEYORTESTS_H

void ConveyorSafetySwitchesTest();
void StaticCurtainTest();
void DisplayModulePacketsTest();

// Belt commands, one ASCII digit per belt: '0' none, '1' stop, '2' forward,
// '3' reverse.
void SetConveyorBelts(char front, char rear);

#endif
