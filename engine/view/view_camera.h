// A pitched pinhole camera: the ray of a view pixel, turned up by the
// pitch, in the frame of the view's own heading (x east of it, y up, z
// along it), and the projection of such a ray back onto the view.
#ifndef KAL_VIEW_CAMERA_H
#define KAL_VIEW_CAMERA_H

#include "view/geometry.h"
#include "view/view_math.h"

namespace kal {

struct Ray {
    double x, y, z;
};

struct Camera {
    double focal;  // view pixels from the eye to the image plane
    double cosPitch, sinPitch;
    double halfWidth, halfHeight;

    // pitch and hfov in degrees, a width x height view.
    static Camera of(double pitch, double hfov, int width, int height);

    // The ray through view point (x, y) from the view's top-left corner
    // (pixel centres at +0.5).
    Ray rayAt(double x, double y) const
    {
        const double cx = x - halfWidth, cy = halfHeight - y;
        return {cx, cy * cosPitch + focal * sinPitch, focal * cosPitch - cy * sinPitch};
    }
    // The view point of a ray; false when it lies behind the camera.
    bool pointOf(const Ray &ray, double *x, double *y) const;
};

// The source point of a ray relative to the view's heading: the column
// counted from the column the view centre faces.
inline SourcePoint relativeSource(const Geometry &g, double columnsPerRadian, const Ray &r);

}  // namespace kal

#include <cmath>

inline kal::SourcePoint kal::relativeSource(const Geometry &g, double columnsPerRadian,
                                            const Ray &r)
{
    const double across = std::sqrt(r.x * r.x + r.z * r.z);
    return {quickAtan2(r.x, r.z) * columnsPerRadian, g.rowOf(r.y, across)};
}

#endif
