// The system check, the installer engine check and the package launch.
#pragma once

#include "context.h"

int checkSystem(SetupContext *context);
int checkEngineVersion(SetupContext *context);
int configureEngine(SetupContext *context);
int launchPackage(SetupContext *context, int restart);
// 0 when the system accepted the restart.
int restartSystem();
