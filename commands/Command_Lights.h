// The lane's lights: the lane light and TAL-1 EAS lights, the TAL-2 tower,
// and the EAS lights used as the lane light.
#ifndef COMMANDS_COMMAND_LIGHTS_H
#define COMMANDS_COMMAND_LIGHTS_H

// Lane light request "L" + code (codes '0' to '9', 'A', 'B'); no answer is
// awaited. 0, or 11 when the packet did not go out (already shown).
int SendLaneLightRequest(char code);
// TAL-2 set request "T1" + lamp bits; no answer is awaited. 0 or 11.
int SendTal2SetRequest(unsigned char bits);

// Interactive tests of the SU Test menu.
void LaneLightTest();
void Tal2LightsTest();

// Automated commands "EPSFlash" and "TopEPSLL".
void SetAllEasAsLaneLight();
void SetTopEasAsLaneLight();

#endif
