// What a run tells the program in front of it as it goes. The Windows
// installer keeps a status window up while the run works: it must go before
// the wizard or a message box takes the screen. The other programs show
// nothing of their own and take no notice.
#pragma once

namespace qrl {

class Progress {
public:
    virtual ~Progress() = default;
    // The Java wizard is about to start.
    virtual void wizardStarting() {}
    // A message box is about to be shown.
    virtual void boxShowing() {}
    // The run has ended.
    virtual void runEnded() {}

    // The sink of the programs that take no notice.
    static Progress& none();
};

inline Progress& Progress::none() {
    static Progress nothing;
    return nothing;
}

}  // namespace qrl
