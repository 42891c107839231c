#pragma once
// Plane geometry of the table: points, the robot's pose, and the two kinds of obstacle outline
// (straight segments and discs) that every wall, box and table edge is made of. Centimetres;
// angles in radians unless a name says degrees.

#include <optional>
#include <span>
#include <vector>

namespace kavrin::sim {

struct Vec2 {
    double x = 0;
    double y = 0;

    friend Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
    friend Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
    friend Vec2 operator*(Vec2 a, double k) { return {a.x * k, a.y * k}; }
    friend bool operator==(Vec2, Vec2) = default;
};

inline double Dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline double Cross(Vec2 a, Vec2 b) { return a.x * b.y - a.y * b.x; }
double Length(Vec2 v);
Vec2 Direction(double angle);  // unit vector

// Where the robot stands: the axle's midpoint and the heading, counter-clockwise from +x.
struct Pose {
    double x = 0;
    double y = 0;
    double heading = 0;  // radians

    Vec2 Position() const { return {x, y}; }
    // A point given in the body frame (x forward, y left), on the table.
    Vec2 ToTable(Vec2 body) const;
    // Heading in degrees, in (-180, 180].
    double HeadingDegrees() const;
    friend bool operator==(const Pose&, const Pose&) = default;
};

// The angle in radians, in [-pi, pi]; finite for every finite number of degrees.
double DegreesToRadians(double degrees);

struct Segment {
    Vec2 a;
    Vec2 b;
};

struct Disc {
    Vec2 centre;
    double radius = 0;
};

// Everything solid on the table, reduced to outlines.
struct Obstacles {
    std::vector<Segment> segments;
    std::vector<Disc> discs;
};

// The distance from p to the segment.
double DistanceToSegment(Vec2 p, const Segment& s);

// Whether two segments touch or cross.
bool SegmentsMeet(const Segment& s, const Segment& t);

// Whether a convex polygon (corners in order) touches any obstacle.
bool PolygonTouches(std::span<const Vec2> corners, const Obstacles& obstacles);

// The distance along the segment from its start to the first obstacle it meets, or none.
std::optional<double> FirstHit(const Segment& probe, const Obstacles& obstacles);

// A circular sector: apex, axis direction (radians), half-angle (radians, under 90 degrees)
// and radius. Whether any obstacle lies inside it.
struct Sector {
    Vec2 apex;
    double axis = 0;
    double halfAngle = 0;
    double radius = 0;
};
bool SectorTouches(const Sector& sector, const Obstacles& obstacles);

}  // namespace kavrin::sim
