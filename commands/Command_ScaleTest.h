// The bagging scale: live display and capture, and the noise analysis.
#ifndef COMMANDS_COMMAND_SCALETEST_H
#define COMMANDS_COMMAND_SCALETEST_H

int ScaleTest();
void AnalyzeScaleData();

#endif
