#pragma once

// The version symbols of the shared library, exported for applications that link it.
extern "C" {
extern const double HalvardVersionNumber;
extern const unsigned char HalvardVersionString[];
}
