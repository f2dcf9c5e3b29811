#include "ui/look/Random.h"

#include <QRandomGenerator>

namespace {

std::function<double(double, double)>& replacement()
{
    static std::function<double(double, double)> source;
    return source;
}

}  // namespace

double Random::uniform(double low, double high)
{
    if (const auto& source = replacement())
        return source(low, high);
    if (!(high > low))
        return low;
    return QRandomGenerator::global()->bounded(high - low) + low;
}

void Random::replace(std::function<double(double, double)> source)
{
    replacement() = std::move(source);
}
