#pragma once

// Feedback while a day file loads: shown, moved on after each card, hidden.
class ProgressDisplay
{
public:
    virtual ~ProgressDisplay() = default;
    virtual void beginProgress() = 0;
    // The bar shows the whole part of done / total * 100.
    virtual void stepProgress(int done, int total) = 0;
    virtual void endProgress() = 0;
};
