#include "WipeShapes.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr double kPi = 3.14159265358979323846;

bool IsDrawn(int code) {
  return (code >= 1 && code <= 8) || (code >= 21 && code <= 26) || code == 41 || code == 42 ||
         (code >= 45 && code <= 47) || (code >= 61 && code <= 64) || (code >= 101 && code <= 106) ||
         (code >= 111 && code <= 114) || (code >= 119 && code <= 121) || (code >= 201 && code <= 207) ||
         (code >= 211 && code <= 214) || (code >= 221 && code <= 224) || (code >= 241 && code <= 244) ||
         code == kWipeRightToLeft || code == kWipeBottomToTop;
}

// Into [0, period).
double Wrap(double angle, double period) {
  double r = std::fmod(angle, period);
  return r < 0 ? r + period : r;
}

// The angle of (x, y) clockwise on screen from 'from' (y grows downward), 0 to 2 pi.
double Clockwise(double x, double y, double from) { return Wrap(std::atan2(y, x) - from, 2 * kPi); }

// Angle from 12 o'clock, clockwise, in (-pi, pi].
double FromTwelve(double dx, double dy) { return std::atan2(dx, -dy); }

double Bar(int code, double u, double v, double w, double h) {
  switch (code) {
    case 1: return u;
    case kWipeRightToLeft: return w - u;
    case 2: return v;
    default: return h - v;  // kWipeBottomToTop
  }
}

// Boxes keep the frame's proportions: vertical distances count as horizontal pixels.
double Box(int code, double u, double v, double dx, double dy, double w, double h) {
  const double a = w / h;
  switch (code) {
    case 3: return std::max(u, v * a);
    case 4: return std::max(w - u, v * a);
    case 5: return std::max(w - u, (h - v) * a);
    case 6: return std::max(u, (h - v) * a);
    case 7: return std::max(std::min(u, w - u), std::min(v, h - v) * a);
    case 8: return std::max(std::fabs(Wrap(u, w / 2) - w / 4), std::fabs(Wrap(v, h / 2) - h / 4) * a);
    case 21: return std::fabs(dx);
    case 22: return std::fabs(dy);
    case 23: return std::max(std::fabs(dx), v * a / 2);
    case 24: return std::max(std::fabs(dy) * a, (w - u) / 2);
    case 25: return std::max(std::fabs(dx), (h - v) * a / 2);
    default: return std::max(std::fabs(dy) * a, u / 2);  // 26
  }
}

double Diagonal(int code, double u, double v, double dx, double dy, double w, double h) {
  const double gradient = std::sqrt(1 / (w * w) + 1 / (h * h));  // so the result counts pixels
  switch (code) {
    case 41: return (u / w + v / h) / gradient;
    case 42: return ((w - u) / w + v / h) / gradient;
    case 45: return std::fabs(u / w + v / h - 1) / gradient;
    case 46: return std::fabs(u / w - v / h) / gradient;
    case 47: return std::min(std::fabs(dx), std::fabs(dy) * w / h);
    case 61: return v + std::fabs(dx) * h / w;
    case 62: return (w - u) + std::fabs(dy) * w / h;
    case 63: return (h - v) + std::fabs(dx) * h / w;
    default: return u + std::fabs(dy) * w / h;  // 64
  }
}

// Regular polygons growing from the centre, as the largest distance along
// their edges' normals: sides, and the angle of the first normal (y down).
struct Polygon {
  int code;
  int sides;
  double firstNormal;
};

constexpr Polygon kPolygons[] = {
    {101, 4, 0}, {102, 4, kPi / 4}, {103, 3, kPi / 2},  {104, 3, kPi},     {105, 3, -kPi / 2},
    {106, 3, 0}, {111, 5, kPi / 2}, {112, 5, -kPi / 2}, {113, 6, kPi / 2}, {114, 6, 0},
};

double Shape(int code, double dx, double dy, double w, double h) {
  if (code == 119) return std::hypot(dx, dy);
  if (code == 120) return std::hypot(dx, 2 * dy);
  if (code == 121) return std::hypot(2 * dx, dy);
  const double y = dy * w / h;  // in the frame's proportions
  const Polygon& polygon =
      *std::find_if(std::begin(kPolygons), std::end(kPolygons), [code](const Polygon& p) { return p.code == code; });
  double distance = -1e30;
  for (int k = 0; k < polygon.sides; ++k) {
    double normal = polygon.firstNormal + 2 * kPi * k / polygon.sides;
    distance = std::max(distance, dx * std::cos(normal) + y * std::sin(normal));
  }
  return distance;
}

// An angle in radians, as the arc it spans at a quarter of the frame's smaller side.
double Radial(int code, double dx, double dy, double w, double h) {
  const double t = FromTwelve(dx, dy);
  const double fromThree = std::atan2(dy, dx);
  double angle = 0;
  switch (code) {
    case 201: angle = Wrap(t, 2 * kPi); break;
    case 202: angle = Wrap(t - kPi / 2, 2 * kPi); break;
    case 203: angle = Wrap(t - kPi, 2 * kPi); break;
    case 204: angle = Wrap(t + kPi / 2, 2 * kPi); break;
    case 205: angle = Wrap(t, kPi); break;
    case 206: angle = Wrap(t - kPi / 2, kPi); break;
    case 207: angle = Wrap(t, kPi / 2); break;
    case 211: angle = std::fabs(t); break;
    case 212: angle = std::fabs(fromThree); break;
    case 213: angle = std::min(std::fabs(t), kPi - std::fabs(t)); break;
    case 214: angle = std::min(std::fabs(fromThree), kPi - std::fabs(fromThree)); break;
    case 221: angle = Clockwise(dx, dy + h / 2, 0); break;
    case 222: angle = Clockwise(dx - w / 2, dy, kPi / 2); break;
    case 223: angle = Clockwise(dx, dy - h / 2, kPi); break;
    case 224: angle = Clockwise(dx + w / 2, dy, -kPi / 2); break;
    case 241: angle = Clockwise(dx + w / 2, dy + h / 2, 0); break;
    case 242: angle = Wrap(-std::atan2(dy - h / 2, dx + w / 2), 2 * kPi); break;  // anticlockwise
    case 243: angle = Clockwise(dx - w / 2, dy - h / 2, kPi); break;
    default: angle = Wrap(kPi - std::atan2(dy + h / 2, dx - w / 2), 2 * kPi); break;  // 244, anticlockwise
  }
  return angle * std::min(w, h) / 4;
}

}  // namespace

int SupportedWipeCode(int code) {
  if (code > 0 && IsDrawn(code)) return code;
  if (code == 122 || code == 124) return 120;
  if (code == 123 || code == 125) return 121;
  if (code >= 100 && code < 200) return 101;
  if (code >= 200 && code < 300) return 201;
  return 1;
}

bool IsShapeWipe(int code) { return code >= 101 && code <= 131; }

double WipeDistance(int code, double dx, double dy, double width, double height) {
  const double u = dx + width / 2;
  const double v = dy + height / 2;
  if (code <= 2) return Bar(code, u, v, width, height);
  if (code < 41) return Box(code, u, v, dx, dy, width, height);
  if (code < 100) return Diagonal(code, u, v, dx, dy, width, height);
  if (code < 200) return Shape(code, dx, dy, width, height);
  return Radial(code, dx, dy, width, height);
}
