#pragma once

// A position on the earth in degrees (north and east positive), as the map, the GPS panels and
// the photo browser pass it around. Only the value: there are no location services.
//
//     CLLocationCoordinate2D paris = CLLocationCoordinate2DMake(48.8566, 2.3522);
//     if (CLLocationCoordinate2DIsValid(paris)) ...
#include <optional>

struct CLLocationCoordinate2D
{
    double latitude = 0.0;
    double longitude = 0.0;

    friend bool operator==(const CLLocationCoordinate2D &, const CLLocationCoordinate2D &) = default;
};

CLLocationCoordinate2D CLLocationCoordinate2DMake(double latitude, double longitude);

// A latitude within ±90° and a longitude within ±180°; not-a-number is never valid.
bool CLLocationCoordinate2DIsValid(const CLLocationCoordinate2D &coordinate);

// The coordinate that stands for "no position": a latitude of -180°, so invalid by the test
// above.
inline constexpr CLLocationCoordinate2D kCLLocationCoordinate2DInvalid{-180.0, -180.0};

// A coordinate fit to store: a longitude beyond ±180° wrapped into [-180°, 180°) (a map that
// repeats the world sideways reports 190° for 170° west), a latitude beyond ±90° clamped to
// the pole; none when either is not a finite number.
std::optional<CLLocationCoordinate2D> MCNormalizedCoordinate(const CLLocationCoordinate2D &coordinate);
