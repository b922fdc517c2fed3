#pragma once

#include <QByteArray>

// The gamma that best describes the tone response of an ICC profile: from its tone curves
// when it has them (the mean of the red, green and blue curves, or the gray curve), otherwise
// measured through the profile by taking a ramp of neutral device values to the connection
// space and fitting the luminance. 0 when the data is no usable profile or no estimate comes
// out (callers then assume their default, commonly 2.2).
double ColorSyncProfileEstimateGamma(const QByteArray &iccData);
