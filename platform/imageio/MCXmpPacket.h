#pragma once

#include <QByteArray>

// Mending an XMP packet the XMP toolkit refuses whole. Cameras and older tools write packets
// in which one node names the same property twice (as an attribute and an element, or in two
// descriptions of the same resource); the toolkit then rejects every property of the packet.
namespace platform {

// The packet with the later of each repeated property left out (the first one stands),
// everything else as it was. Empty when the packet is not well-formed XML or holds no
// repeated property, so the caller knows a repair cannot help.
QByteArray xmpPacketWithoutRepeatedProperties(const QByteArray &packet);

} // namespace platform
