#include "halvard/imageio/MCResourceDescriptor.h"

// Out of line so that the type information of these interfaces lives once, in this library.
MCResourceDescriptor::~MCResourceDescriptor() = default;
MCResourceDescriptorProvider::~MCResourceDescriptorProvider() = default;
