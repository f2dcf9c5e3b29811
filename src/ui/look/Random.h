#pragma once

#include <functional>

// The random numbers of the game and the rally. Tests replace the source to make them fixed.
namespace Random {

// A number in [low, high).
double uniform(double low, double high);

// Replaces the source until called again with an empty function; it gets (low, high).
void replace(std::function<double(double, double)> source);

}  // namespace Random
