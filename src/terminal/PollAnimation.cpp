#include "PollAnimation.h"

void PollAnimation::AnimationStep()
{
    switch (m_step) {
    case 0: set(0, true); set(1, false); break;
    case 1: set(0, false); set(1, true); break;
    case 2: set(1, false); set(2, true); break;
    case 3:
    case 4: set(2, false); set(3, true); break;
    case 5: set(2, true); set(3, false); break;
    case 6: set(1, true); set(2, false); break;
    case 7: set(0, true); set(1, false); break;
    default: break;
    }
    m_step = (m_step + 1) % kSteps;
}

void PollAnimation::AnimationIdle()
{
    m_visible = {true, false, false, false};
}

int PollAnimation::shownPicture() const
{
    for (int i = kPictures - 1; i >= 0; --i)
        if (m_visible[std::size_t(i)])
            return i;
    return -1;
}
