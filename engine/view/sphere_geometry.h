// The equirectangular sphere: columns linear in heading, rows linear in
// elevation; a full sphere spans 360 x 180 degrees, a partial one a band
// of elevations and an arc of headings.
#ifndef KAL_VIEW_SPHERE_GEOMETRY_H
#define KAL_VIEW_SPHERE_GEOMETRY_H

#include "view/geometry.h"

namespace kal {

class SphereGeometry final : public Geometry {
   public:
    // `top` and `bottom`: elevations (degrees) of the image's top and bottom
    // edges, 90 >= top > bottom >= -90.
    SphereGeometry(int width, int height, double angle, double leftHeading, double top,
                   double bottom);
    int width() const override { return width_; }
    int height() const override { return height_; }
    double angle() const override { return angle_; }
    double leftHeading() const override { return left_; }
    double rowOf(double up, double across) const override;
    double elevationOfRow(double row) const override;
    double steepestPitch() const override { return 90.0; }
    double widestField() const override { return 150.0; }

   private:
    int width_, height_;
    double angle_, left_;
    double top_;            // radians
    double rowsPerRadian_;  // source rows per radian of elevation
};

}  // namespace kal

#endif
