#pragma once
// The wizard's pages, each with the states its back, forward and cancel buttons are shown with. The
// handlers in PageFlow.cpp move between them:
//
//   start, not installed ............................ WelcomePage
//   start, installed, first argument "/auto" ........ RunPage; the reinstall runs on activation
//   start, installed ................................ MaintenancePage
//   WelcomePage   forward ........................... PathPage (the default folder proposed again)
//   PathPage      back .............................. WelcomePage
//   PathPage      forward, path refused ............. PathPage (an error box said why)
//   PathPage      forward, path accepted ............ RunPage: installation, then finished
//   MaintenancePage restore ......................... RunPage: removal (not unattended), installation
//   MaintenancePage remove .......................... RunPage: removal, then finished
//   finished      forward ("Завершить") ............. the program ends
//   any page but RunPage: cancel, answered Yes ...... the program ends

#include "app/MainLayout.h"

namespace zarvo {

struct TPageState {
    TControlId page;
    bool back, forward, cancel;
};

inline constexpr TPageState WelcomePage{TControlId::SheetNew, false, true, true};
inline constexpr TPageState MaintenancePage{TControlId::SheetAlready, false, false, true};
inline constexpr TPageState PathPage{TControlId::SheetPath, true, true, true};
inline constexpr TPageState RunPage{TControlId::SheetStatus, false, false, false};

} // namespace zarvo
