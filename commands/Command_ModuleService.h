// Service functions of the board: SU model, proximity sensor calibration,
// USB loop-back test and soft reset.
#ifndef COMMANDS_COMMAND_MODULESERVICE_H
#define COMMANDS_COMMAND_MODULESERVICE_H

void SetSuModel();
void CalibrateProximitySensor();
void UsbTest();
void SoftReset();

#endif
