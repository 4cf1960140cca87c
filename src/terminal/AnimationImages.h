#pragma once

#include <QImage>

#include <array>

struct Settings;

// The four animation pictures: a configured file that exists and loads,
// otherwise the program's own drawing.
namespace AnimationImages {

constexpr int kSize = 48;

// The built-in picture 0..3: a terminal sending 0, 1, 2 or 3 waves.
QImage builtIn(int index);
// Picture `index` for `settings.AnimationPictures[index]`.
QImage picture(const Settings &settings, int index);
std::array<QImage, 4> pictures(const Settings &settings);

} // namespace AnimationImages
