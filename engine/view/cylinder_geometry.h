// The cylinder: columns linear in heading, rows linear in the tangent of
// the elevation, the radius set by the width and the angle covered.
#ifndef KAL_VIEW_CYLINDER_GEOMETRY_H
#define KAL_VIEW_CYLINDER_GEOMETRY_H

#include "view/geometry.h"

namespace kal {

class CylinderGeometry final : public Geometry {
   public:
    // `horizon`: rows of the horizon above the image's middle row.
    CylinderGeometry(int width, int height, double angle, double leftHeading, double horizon);
    int width() const override { return width_; }
    int height() const override { return height_; }
    double angle() const override { return angle_; }
    double leftHeading() const override { return left_; }
    double rowOf(double up, double across) const override;
    double elevationOfRow(double row) const override;
    double steepestPitch() const override { return 80.0; }
    double widestField() const override { return 120.0; }

   private:
    int width_, height_;
    double angle_, left_;
    double radius_;      // source pixels
    double horizonRow_;  // row coordinate of elevation 0
};

}  // namespace kal

#endif
