// The Sensormatic EAS controller behind the board.
#ifndef COMMANDS_COMMAND_SENSORMATIC_H
#define COMMANDS_COMMAND_SENSORMATIC_H

// The controller type the board last reported: '1' ScanMax, '2' ScanMax Pro,
// anything else none.
extern char SensormaticControllerType;

int ConfigureSensormaticControllerType();
int EnableSensormaticController();
int DisableSensormaticController();
int ShowHardtagStatus();
// Asks the board for the controller's status and updates
// SensormaticControllerType; 0 or a failure code. Port 6 must be open.
int RequestSensormaticStatus();
// One hardtag request: '1' when a hardtag is present; '0' when none is, or
// after a failure (which closes port 6).
char RequestHardtagStatus();

#endif
