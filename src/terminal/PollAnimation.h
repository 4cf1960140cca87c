#pragma once

#include <array>

// The four pictures on the main window that show whether weights arrive:
// after each weight they run forward and back within eight polls and then
// rest on picture 0 for twelve; without a weight picture 0 alone is shown.
class PollAnimation
{
public:
    static constexpr int kPictures = 4;
    static constexpr int kSteps = 20;

    void AnimationStep();
    void AnimationIdle();

    int step() const { return m_step; }
    const std::array<bool, kPictures> &visible() const { return m_visible; }
    // The picture the operator sees: the top one of those shown (3 on top).
    int shownPicture() const;

private:
    void set(int picture, bool shown) { m_visible[std::size_t(picture)] = shown; }

    int m_step = 0;
    std::array<bool, kPictures> m_visible{true, false, false, false};
};
