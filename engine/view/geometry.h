// The projection seam: how a panorama image is laid over the sphere of
// directions. A view asks only this: which source point a ray hits, and
// back; the renderer, the table and the limits never look inside.
#ifndef KAL_VIEW_GEOMETRY_H
#define KAL_VIEW_GEOMETRY_H

namespace kal {

// A point of the image: column and row from its top-left corner, pixel
// centres at whole numbers (pixel (0, 0) spans -0.5 .. 0.5 both ways).
struct SourcePoint {
    double column, row;
};

// Every geometry here is invariant under a turn about the vertical: the
// column is linear in the heading (columnsPerRadian), and the row depends
// only on the ray's elevation, given as its height `up` over its horizontal
// length `across` (both finite, not both 0). That is what lets one table
// per pitch and field serve every heading.
class Geometry {
   public:
    virtual ~Geometry() = default;
    // Image size in pixels.
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Degrees of heading the image's width covers (360: it wraps around).
    virtual double angle() const = 0;
    // Compass heading (degrees east of north) of the image's left edge.
    virtual double leftHeading() const = 0;
    // Source row coordinate of a ray of elevation atan2(up, across).
    virtual double rowOf(double up, double across) const = 0;
    // Elevation (radians) of a source row coordinate; the inverse of rowOf.
    virtual double elevationOfRow(double row) const = 0;
    // The steepest pitch (degrees) a view centre may take: 90 where the
    // image holds the pole, less where the mapping itself ends.
    virtual double steepestPitch() const = 0;
    // The widest horizontal field of view (degrees) that looks right.
    virtual double widestField() const = 0;

    bool wraps() const { return angle() >= 360.0; }
    double columnsPerRadian() const;
    // The source point of the ray at compass heading `heading` (degrees)
    // and elevation `elevation` (radians); columns of a full circle are not
    // reduced into the image.
    SourcePoint sourceOf(double heading, double elevation) const;
};

}  // namespace kal

#endif
