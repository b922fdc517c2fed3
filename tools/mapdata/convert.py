#!/usr/bin/env python3
"""Converts Natural Earth's world outlines into the compact map the offline map view draws
(resources/Map/World.qxmap).

The source is the npm package world-atlas (Natural Earth 4.1.0 as TopoJSON): its
countries-110m.json and countries-50m.json. A developer runs this by hand; the build only uses
the committed result.

    npm pack world-atlas@2.0.2 && tar xzf world-atlas-2.0.2.tgz
    tools/mapdata/convert.py package [resources/Map/World.qxmap]

From each of the two scales it writes five layers, drawn in this order:
  land around lakes  the outer rings of the land areas that enclose inland seas, filled;
  lakes    the rings of those seas (the Caspian), filled with the sea's colour over the land;
  land     the outer rings of every other land area (islands in the inland seas among them);
  coast    the coastlines as open lines, without the artificial edges where the data cuts the
           land at the 180th meridian or closes Antarctica along the pole;
  borders  the land borders between countries, as open lines.
No outline jumps across the world at the 180th meridian: the few that cross it reach a little
past 180 degrees (so longitudes run from about -181 to 181).

The file, all numbers little-endian:
  8 bytes   "QXWMAP01"
  uint32    layer count
  per layer:
    uint8   kind (0 land, 1 coast, 2 borders, 3 lakes, 4 land around lakes)
    uint8   detail (0 the coarse 1:110m scale, 1 the medium 1:50m scale)
    uint16  0
    4 float64  scale x, scale y, translate x, translate y: degrees = grid * scale + translate
    uint32  path count
    per path: varint point count, then per point the zigzag varint differences of the grid x
              and grid y from the previous point (the first from 0, 0)
"""
import json
import os
import struct
import sys
import tempfile

KIND_LAND, KIND_COAST, KIND_BORDERS, KIND_LAKES, KIND_LAND_AROUND_LAKES = 0, 1, 2, 3, 4


def decode_arcs(topology):
    """The arcs as lists of absolute grid points (the TopoJSON arcs are delta-encoded)."""
    arcs = []
    for arc in topology["arcs"]:
        x = y = 0
        points = []
        for dx, dy in arc:
            x += dx
            y += dy
            points.append((x, y))
        arcs.append(points)
    return arcs


def grid_width(topology):
    """The grid x of 180 degrees east (0 is 180 degrees west)."""
    sx = topology["transform"]["scale"][0]
    tx = topology["transform"]["translate"][0]
    return round((180.0 - tx) / sx)


def same_side_of_the_cut(points, width):
    """The data cuts the land at the 180th meridian, but writes a point on the cut as 180 W or
    180 E without regard to the side it belongs to, so an outline may jump across the whole
    world. Each point on the cut takes the side of its nearest neighbour off the cut (the one
    before it, else the one after it)."""
    result = list(points)
    for i, (x, y) in enumerate(points):
        if x not in (0, width):
            continue
        neighbour = None
        for j in list(range(i - 1, -1, -1)) + list(range(i + 1, len(points))):
            if points[j][0] not in (0, width):
                neighbour = points[j][0]
                break
        if neighbour is not None and abs(neighbour - x) > width / 2:
            result[i] = (width - x, y)
    return result


def arc_points(arcs, index):
    return arcs[index] if index >= 0 else list(reversed(arcs[~index]))


def ring_points(arcs, ring):
    points = []
    for index in ring:
        part = arc_points(arcs, index)
        points.extend(part if not points else part[1:])
    return points


def polygons(geometry):
    if geometry["type"] == "Polygon":
        return [geometry["arcs"]]
    if geometry["type"] == "MultiPolygon":
        return geometry["arcs"]
    return []


def land_rings(topology, arcs):
    """The land areas as rings: the outer rings of land areas that enclose inland seas, the
    rings of those seas, and the outer rings of all other land areas (islands in an inland sea
    among them)."""
    around, lakes, land = [], [], []
    width = grid_width(topology)
    for geometry in topology["objects"]["land"]["geometries"]:
        for polygon in polygons(geometry):
            rings = [same_side_of_the_cut(ring_points(arcs, ring), width) for ring in polygon]
            # A hole without area (the data closes Antarctica along the pole that way) is none.
            holes = [r for r in rings[1:] if len(r) >= 4 and len({y for _, y in r}) > 1]
            if len(rings[0]) < 4:
                continue
            (around if holes else land).append(rings[0])
            lakes.extend(holes)
    return around, lakes, land


def inside(point, ring):
    x, y = point
    result = False
    for (x1, y1), (x2, y2) in zip(ring, ring[1:] + ring[:1]):
        if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
            result = not result
    return result


def is_artificial(a, b, topology):
    """A segment of the land outline that is no coast: along the 180th meridian, where the
    data cuts the land, or along the bottom edge that closes Antarctica."""
    sx, sy = topology["transform"]["scale"]
    tx, ty = topology["transform"]["translate"]
    lon_a, lon_b = a[0] * sx + tx, b[0] * sx + tx
    lat_a, lat_b = a[1] * sy + ty, b[1] * sy + ty
    on_meridian = abs(abs(lon_a) - 180.0) < 1e-6 and abs(abs(lon_b) - 180.0) < 1e-6
    on_pole_edge = lat_a < -89.9 and lat_b < -89.9
    return on_meridian or on_pole_edge


def coast_lines(topology, arcs):
    used = set()
    for geometry in topology["objects"]["land"]["geometries"]:
        for polygon in polygons(geometry):
            for ring in polygon:
                used.update(i if i >= 0 else ~i for i in ring)
    lines = []
    for index in sorted(used):
        current = []
        points = same_side_of_the_cut(arcs[index], grid_width(topology))
        for a, b in zip(points, points[1:]):
            if is_artificial(a, b, topology):
                if len(current) >= 2:
                    lines.append(current)
                current = []
                continue
            if not current:
                current.append(a)
            current.append(b)
        if len(current) >= 2:
            lines.append(current)
    return lines


def border_lines(topology, arcs):
    owners = {}
    for number, geometry in enumerate(topology["objects"]["countries"]["geometries"]):
        for polygon in polygons(geometry):
            for ring in polygon:
                for i in ring:
                    owners.setdefault(i if i >= 0 else ~i, set()).add(number)
    width = grid_width(topology)
    return [same_side_of_the_cut(arcs[i], width) for i in sorted(owners) if len(owners[i]) >= 2 and len(arcs[i]) >= 2]


def varint(value):
    out = bytearray()
    while True:
        byte = value & 0x7F
        value >>= 7
        if value:
            out.append(byte | 0x80)
        else:
            out.append(byte)
            return bytes(out)


def zigzag(value):
    return (value << 1) if value >= 0 else ((-value << 1) - 1)


def continuous(path, width):
    """A few outlines cross the 180th meridian without a cut (Chukotka, Wrangel Island, parts
    of Fiji). They are written without the jump, reaching a little past 180 degrees, so a map
    that repeats the world sideways draws them whole."""
    result = []
    shift = 0
    for i, (x, y) in enumerate(path):
        if i:
            step = x + shift - result[-1][0]
            if step > width / 2:
                shift -= width
            elif step < -width / 2:
                shift += width
        result.append((x + shift, y))
    return result


def encode_layer(kind, detail, topology, paths):
    sx, sy = topology["transform"]["scale"]
    tx, ty = topology["transform"]["translate"]
    width = grid_width(topology)
    out = bytearray(struct.pack("<BBH4dI", kind, detail, 0, sx, sy, tx, ty, len(paths)))
    for path in paths:
        path = continuous(path, width)
        out += varint(len(path))
        px = py = 0
        for x, y in path:
            out += varint(zigzag(x - px)) + varint(zigzag(y - py))
            px, py = x, y
    return bytes(out)


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write("usage: convert.py <world-atlas package folder> [output]\n")
        return 2
    source = argv[1]
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    output = argv[2] if len(argv) == 3 else os.path.join(root, "resources", "Map", "World.qxmap")

    layers = []
    for detail, name in enumerate(("countries-110m.json", "countries-50m.json")):
        path = os.path.join(source, name)
        try:
            with open(path, encoding="utf-8") as f:
                topology = json.load(f)
        except (OSError, ValueError) as error:
            sys.stderr.write(f"convert.py: cannot read {path}: {error}\n")
            return 1
        if "transform" not in topology:
            sys.stderr.write(f"convert.py: {path} is not a quantized topology\n")
            return 1
        arcs = decode_arcs(topology)
        around, lakes, land = land_rings(topology, arcs)
        layers.append(encode_layer(KIND_LAND_AROUND_LAKES, detail, topology, around))
        layers.append(encode_layer(KIND_LAKES, detail, topology, lakes))
        layers.append(encode_layer(KIND_LAND, detail, topology, land))
        layers.append(encode_layer(KIND_COAST, detail, topology, coast_lines(topology, arcs)))
        layers.append(encode_layer(KIND_BORDERS, detail, topology, border_lines(topology, arcs)))

    data = b"QXWMAP01" + struct.pack("<I", len(layers)) + b"".join(layers)
    # Written beside the destination and moved into place, so a failed run leaves the old map.
    folder = os.path.dirname(os.path.abspath(output))
    os.makedirs(folder, exist_ok=True)
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".World-")
    try:
        with os.fdopen(handle, "wb") as f:
            f.write(data)
        os.chmod(temporary, 0o644)
        os.replace(temporary, output)
    except BaseException:
        os.unlink(temporary)
        raise
    print(f"{output}: {len(data)} bytes, {len(layers)} layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
