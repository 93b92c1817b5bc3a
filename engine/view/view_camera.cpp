// The camera's focal length from the field of view, and its inverse map.
#include "view/view_camera.h"

#include "view/view_math.h"

#include <cmath>

namespace kal {

Camera Camera::of(double pitch, double hfov, int width, int height)
{
    Camera c;
    c.halfWidth = width / 2.0;
    c.halfHeight = height / 2.0;
    c.focal = c.halfWidth / std::tan(hfov * kRadian / 2);
    c.cosPitch = std::cos(pitch * kRadian);
    c.sinPitch = std::sin(pitch * kRadian);
    return c;
}

bool Camera::pointOf(const Ray &r, double *x, double *y) const
{
    // Turn the ray back down by the pitch into the camera's own frame.
    const double cy = r.y * cosPitch - r.z * sinPitch;
    const double cz = r.z * cosPitch + r.y * sinPitch;
    if (!(cz > 1e-9)) return false;
    *x = halfWidth + r.x * focal / cz;
    *y = halfHeight - cy * focal / cz;
    return true;
}

}  // namespace kal
