// The shapes of the SMPTE wipes (codes as in SMPTE 258M) that the engine
// draws, as a distance: a point turns from the first picture to the second
// when the wipe's edge, travelling outward from distance 0, passes it.
//
// Drawn: 1-8 (bars, corner boxes, four boxes), 21-26 (barn doors, edge boxes),
// 41, 42, 45, 46, 47 (diagonals, diagonal barn doors, cross), 61-64 (wedges),
// 101-106, 111-114 (box, diamond, triangles, pentagons, hexagons), 119-121
// (circle, ovals), 201-207 (clocks and pinwheels), 211-214 (fans), 221-224
// and 241-244 (sweeps about an edge's centre or a corner). Any other code is
// drawn as the nearest of these (SupportedWipeCode).
#pragma once

// The engine's own directions, beside the SMPTE codes.
constexpr int kWipeRightToLeft = -1;
constexpr int kWipeBottomToTop = -2;

// The code itself when drawn; eyes and rounded rectangles as the oval of
// their orientation, other shapes (100-199) as the box, other radial wipes
// (200-299) as the clock from 12, everything else as the bar from the left.
int SupportedWipeCode(int code);

// Codes 101-131, to which offsets, scales and replication apply.
bool IsShapeWipe(int code);

// The distance of the point (dx, dy) from the centre of a pattern of width by
// height pixels, roughly in pixels along the edge's travel. code must be drawn.
double WipeDistance(int code, double dx, double dy, double width, double height);
