#pragma once
// CommonUtils: the one include that brings every helper of the common unit. Each concern has a header of
// its own; only the reporting helpers show anything (message boxes until the wizard takes the reports
// over), the others leave the wording of messages to their callers.

#include "common/Checksum.h"
#include "common/CodePages.h"
#include "common/Dates.h"
#include "common/FileInfo.h"
#include "common/Folders.h"
#include "common/Libraries.h"
#include "common/Reporting.h"
#include "common/Resources.h"
#include "common/SpecialFolders.h"
#include "common/UnitStartup.h"
