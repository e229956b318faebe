#pragma once
// SetupUtils: running-component detection, shortcuts, component registration.

#include "setup/ComponentRegistration.h"
#include "setup/DllRegisterServerThread.h"
#include "setup/RunningComponents.h"
#include "common/Product.h"
#include "setup/Shortcuts.h"
