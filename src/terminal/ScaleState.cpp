#include "ScaleState.h"

#include <cmath>

using namespace Qt::StringLiterals;

ScaleState scaleState(bool showsWeight, double weight, bool motion, double maxWeight)
{
    if (!showsWeight)
        return ScaleState::NoLink;
    if (maxWeight > 0 && weight > maxWeight)
        return ScaleState::Overload;
    if (motion)
        return ScaleState::Motion;
    if (std::abs(weight) < 1e-9)
        return ScaleState::Zero;
    return ScaleState::Weight;
}

QString scaleStateMark(ScaleState state)
{
    switch (state) {
    case ScaleState::NoLink:
        return u"НЕТ СВЯЗИ"_s;
    case ScaleState::Overload:
        return u"ПЕРЕГРУЗ"_s;
    case ScaleState::Underload:
        return u"НЕДОГРУЗ"_s;
    case ScaleState::IndicatorError:
        return u"ОШИБКА"_s;
    case ScaleState::Motion:
        return u"≈"_s;
    case ScaleState::Zero:
        return u">0<"_s;
    case ScaleState::Weight:
        break;
    }
    return QString();
}
