#pragma once

// Whether the focused window belongs to another program and fills its
// screen: a video call, a presentation, a film. Asked only when a rest falls
// due and once a minute while it waits.
class FullScreen {
public:
    virtual ~FullScreen() = default;
    virtual bool otherProgramFullScreen() = 0;
};
