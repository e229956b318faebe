#pragma once
// Closing the product's running components before a run: the waits through the system, the question
// through the prompts (none: the run is unattended and nothing is asked).

#include "engine/Prompts.h"
#include "engine/System.h"
#include "setup/RunningComponents.h"

namespace zarvo {

class TRunComponentCloser final : public TComponentCloser {
public:
    TRunComponentCloser(const TSystem& system, TPrompts* prompts)
        : TComponentCloser(system.closeTimings), system_(system), prompts_(prompts) {}

protected:
    bool AskUnload() override { return prompts_ != nullptr && prompts_->ConfirmUnload(); }
    void Wait(DWORD milliseconds) override { system_.Wait(milliseconds); }

private:
    const TSystem& system_;
    TPrompts* prompts_;
};

} // namespace zarvo
