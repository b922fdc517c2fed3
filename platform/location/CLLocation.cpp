#include "platform/location/CLLocation.h"

#include <algorithm>
#include <cmath>

CLLocationCoordinate2D CLLocationCoordinate2DMake(double latitude, double longitude)
{
    return CLLocationCoordinate2D{latitude, longitude};
}

bool CLLocationCoordinate2DIsValid(const CLLocationCoordinate2D &coordinate)
{
    // Written so that a not-a-number fails every comparison and so the test.
    return coordinate.latitude >= -90.0 && coordinate.latitude <= 90.0 && coordinate.longitude >= -180.0 &&
           coordinate.longitude <= 180.0;
}

std::optional<CLLocationCoordinate2D> MCNormalizedCoordinate(const CLLocationCoordinate2D &coordinate)
{
    if (!std::isfinite(coordinate.latitude) || !std::isfinite(coordinate.longitude))
        return std::nullopt;
    double longitude = coordinate.longitude;
    if (longitude < -180.0 || longitude > 180.0) {
        longitude = std::fmod(longitude + 180.0, 360.0);
        if (longitude < 0.0)
            longitude += 360.0;
        longitude -= 180.0;
    }
    return CLLocationCoordinate2D{std::clamp(coordinate.latitude, -90.0, 90.0), longitude};
}
