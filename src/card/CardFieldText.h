#pragma once

#include "CargoCard.h"

#include <QString>

// The text a card frame shows for ОП(n): what the printed papers of a card
// repeat, so they never differ from the frame. Weights of the first and
// second weighing, which the frames do not show, come out as numbers too.
QString CardFieldText(const CargoCard &card, int n);
