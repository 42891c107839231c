#include "sim/plane.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace kavrin::sim {

double Length(Vec2 v) { return std::hypot(v.x, v.y); }

Vec2 Direction(double angle) { return {std::cos(angle), std::sin(angle)}; }

// Whole turns go first (exactly, by remainder), so that no finite angle overflows.
double DegreesToRadians(double degrees) {
    return std::remainder(degrees, 360.0) * std::numbers::pi / 180.0;
}

Vec2 Pose::ToTable(Vec2 body) const {
    const double c = std::cos(heading);
    const double s = std::sin(heading);
    return {x + body.x * c - body.y * s, y + body.x * s + body.y * c};
}

double Pose::HeadingDegrees() const {
    double d = std::remainder(heading * 180.0 / std::numbers::pi, 360.0);  // [-180, 180]
    if (d <= -180.0) d += 360.0;
    return d;
}

double DistanceToSegment(Vec2 p, const Segment& s) {
    const Vec2 d = s.b - s.a;
    const double len2 = Dot(d, d);
    double t = len2 > 0 ? Dot(p - s.a, d) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return Length(p - (s.a + d * t));
}

namespace {

int Orientation(Vec2 a, Vec2 b, Vec2 c) {
    const double v = Cross(b - a, c - a);
    return (v > 0) - (v < 0);
}

bool WithinBox(Vec2 a, Vec2 b, Vec2 p) {
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

bool InsideConvex(Vec2 p, std::span<const Vec2> corners) {
    int sign = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const int o = Orientation(corners[i], corners[(i + 1) % corners.size()], p);
        if (o == 0) continue;
        if (sign == 0) sign = o;
        if (o != sign) return false;
    }
    return true;
}

// Axis-aligned bounds, to pass over outlines that are nowhere near.
struct Bounds {
    Vec2 lo{1e300, 1e300};
    Vec2 hi{-1e300, -1e300};

    void Add(Vec2 p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
    }
    bool Misses(const Segment& s) const {
        return std::max(s.a.x, s.b.x) < lo.x || std::min(s.a.x, s.b.x) > hi.x ||
               std::max(s.a.y, s.b.y) < lo.y || std::min(s.a.y, s.b.y) > hi.y;
    }
    bool Misses(const Disc& d) const {
        return d.centre.x + d.radius < lo.x || d.centre.x - d.radius > hi.x ||
               d.centre.y + d.radius < lo.y || d.centre.y - d.radius > hi.y;
    }
};

bool InSector(Vec2 p, const Sector& s) {
    const Vec2 v = p - s.apex;
    const double d = Length(v);
    if (d > s.radius) return false;
    return d == 0 || Dot(v, Direction(s.axis)) >= d * std::cos(s.halfAngle);
}

// Parameters in [0, 1] at which the segment crosses the circle.
int CircleCrossings(const Segment& s, Vec2 centre, double radius, double out[2]) {
    const Vec2 d = s.b - s.a;
    const Vec2 f = s.a - centre;
    const double a = Dot(d, d);
    if (a == 0) return 0;
    const double b = 2 * Dot(f, d);
    const double c = Dot(f, f) - radius * radius;
    const double disc = b * b - 4 * a * c;
    if (disc < 0) return 0;
    const double root = std::sqrt(disc);
    int n = 0;
    for (double t : {(-b - root) / (2 * a), (-b + root) / (2 * a)}) {
        if (t >= 0 && t <= 1) out[n++] = t;
    }
    return n;
}

std::array<Segment, 2> SectorEdges(const Sector& s) {
    return {Segment{s.apex, s.apex + Direction(s.axis - s.halfAngle) * s.radius},
            Segment{s.apex, s.apex + Direction(s.axis + s.halfAngle) * s.radius}};
}

}  // namespace

bool SegmentsMeet(const Segment& s, const Segment& t) {
    const int o1 = Orientation(s.a, s.b, t.a);
    const int o2 = Orientation(s.a, s.b, t.b);
    const int o3 = Orientation(t.a, t.b, s.a);
    const int o4 = Orientation(t.a, t.b, s.b);
    if (o1 != o2 && o3 != o4) return true;
    return (o1 == 0 && WithinBox(s.a, s.b, t.a)) || (o2 == 0 && WithinBox(s.a, s.b, t.b)) ||
           (o3 == 0 && WithinBox(t.a, t.b, s.a)) || (o4 == 0 && WithinBox(t.a, t.b, s.b));
}

bool PolygonTouches(std::span<const Vec2> corners, const Obstacles& obstacles) {
    const std::size_t n = corners.size();
    Bounds bounds;
    for (Vec2 c : corners) bounds.Add(c);
    for (const Segment& s : obstacles.segments) {
        if (bounds.Misses(s)) continue;
        if (InsideConvex(s.a, corners) || InsideConvex(s.b, corners)) return true;
        for (std::size_t i = 0; i < n; ++i) {
            if (SegmentsMeet(s, {corners[i], corners[(i + 1) % n]})) return true;
        }
    }
    for (const Disc& d : obstacles.discs) {
        if (bounds.Misses(d)) continue;
        if (InsideConvex(d.centre, corners)) return true;
        for (std::size_t i = 0; i < n; ++i) {
            if (DistanceToSegment(d.centre, {corners[i], corners[(i + 1) % n]}) <= d.radius)
                return true;
        }
    }
    return false;
}

std::optional<double> FirstHit(const Segment& probe, const Obstacles& obstacles) {
    const Vec2 d = probe.b - probe.a;
    Bounds bounds;
    bounds.Add(probe.a);
    bounds.Add(probe.b);
    std::optional<double> best;  // parameter along the probe
    auto keep = [&](double t) {
        if (!best || t < *best) best = t;
    };
    for (const Segment& s : obstacles.segments) {
        if (bounds.Misses(s)) continue;
        const Vec2 e = s.b - s.a;
        const double denom = Cross(d, e);
        if (denom == 0) {
            if (SegmentsMeet(probe, s)) {  // collinear and overlapping: the nearest end
                for (Vec2 p : {s.a, s.b}) {
                    if (WithinBox(probe.a, probe.b, p)) keep(Dot(p - probe.a, d) / Dot(d, d));
                }
                if (WithinBox(s.a, s.b, probe.a)) keep(0.0);
            }
            continue;
        }
        const double t = Cross(s.a - probe.a, e) / denom;
        const double u = Cross(s.a - probe.a, d) / denom;
        if (t >= 0 && t <= 1 && u >= 0 && u <= 1) keep(t);
    }
    for (const Disc& c : obstacles.discs) {
        if (bounds.Misses(c)) continue;
        if (Length(probe.a - c.centre) <= c.radius) {
            keep(0.0);
            continue;
        }
        double ts[2];
        const int n = CircleCrossings(probe, c.centre, c.radius, ts);
        for (int i = 0; i < n; ++i) keep(ts[i]);
    }
    if (!best) return std::nullopt;
    return *best * Length(d);
}

bool SectorTouches(const Sector& sector, const Obstacles& obstacles) {
    const auto edges = SectorEdges(sector);
    Bounds bounds;
    bounds.Add(sector.apex - Vec2{sector.radius, sector.radius});
    bounds.Add(sector.apex + Vec2{sector.radius, sector.radius});
    for (const Segment& s : obstacles.segments) {
        if (bounds.Misses(s)) continue;
        if (InSector(s.a, sector) || InSector(s.b, sector)) return true;
        if (SegmentsMeet(s, edges[0]) || SegmentsMeet(s, edges[1])) return true;
        double ts[2];
        const int n = CircleCrossings(s, sector.apex, sector.radius, ts);
        for (int i = 0; i < n; ++i) {
            if (InSector(s.a + (s.b - s.a) * ts[i],
                         {sector.apex, sector.axis, sector.halfAngle, sector.radius * (1 + 1e-9)}))
                return true;
        }
    }
    for (const Disc& d : obstacles.discs) {
        if (bounds.Misses(d)) continue;
        if (InSector(d.centre, sector)) return true;
        if (DistanceToSegment(d.centre, edges[0]) <= d.radius ||
            DistanceToSegment(d.centre, edges[1]) <= d.radius)
            return true;
        const Vec2 v = d.centre - sector.apex;
        const double dist = Length(v);
        if (Dot(v, Direction(sector.axis)) >= dist * std::cos(sector.halfAngle) &&
            dist - sector.radius <= d.radius)
            return true;
    }
    return false;
}

}  // namespace kavrin::sim
