#include "halvard/HalvardVersion.h"

extern "C" {
const double HalvardVersionNumber = HALVARD_VERSION_NUMBER;
const unsigned char HalvardVersionString[] =
    "@(#)PROGRAM:Halvard  PROJECT:Halvard-" HALVARD_VERSION_STRING "\n";
}
