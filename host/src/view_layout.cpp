// The projection and start view of a true-colour file, decided once here
// for every program: attribute file, GPano fields, then the image's shape.
#include "kalhost/view_layout.h"

#include <algorithm>
#include <cmath>

namespace kalhost {
namespace {

double wrapped(double degrees)
{
    if (!std::isfinite(degrees)) return 0;
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360.0 : d;
}

bool positive(bool has, double v)
{
    return has && std::isfinite(v) && v > 0;
}

void fromGPano(const GPanoFields &f, int width, int height, bool sphere, ViewLayout &out)
{
    kal::PanoramaLayout &l = out.layout;
    const double fullWidth = positive(f.hasFullWidth, f.fullWidth) ? f.fullWidth : width;
    const double cropWidth = positive(f.hasCroppedWidth, f.croppedWidth) ? f.croppedWidth : width;
    l.angle = std::min(360.0, std::max(0.01, 360.0 * cropWidth / fullWidth));
    // The full panorama's middle column faces PoseHeadingDegrees; a
    // cylinder without it keeps its column 0 facing north, as before.
    const double pose = f.hasPoseHeading ? f.poseHeading : (sphere ? 0.0 : 180.0);
    const double left = f.hasCroppedLeft ? f.croppedLeft : 0.0;
    l.leftHeading = wrapped(pose + (left - fullWidth / 2) * 360.0 / fullWidth);
    if (sphere) {
        l.projection = kal::ProjectionKind::sphere;
        const double fullHeight =
            positive(f.hasFullHeight, f.fullHeight) ? f.fullHeight : fullWidth / 2;
        const double rows =
            positive(f.hasCroppedHeight, f.croppedHeight) ? f.croppedHeight : height;
        const double top = f.hasCroppedTop ? f.croppedTop : (fullHeight - rows) / 2;
        l.top = std::min(90.0, 90.0 - top * 180.0 / fullHeight);
        l.bottom = std::max(-90.0, l.top - rows * 180.0 / fullHeight);
        if (!(l.top > l.bottom)) l.top = 90, l.bottom = -90;
    } else {
        l.horizon = placementFromGPano(f, width, height).horizon;
    }
    StartView &s = out.start;
    s.hasHeading = f.hasInitialHeading;
    s.heading = f.initialHeading;
    s.hasPitch = f.hasInitialPitch;
    s.pitch = f.initialPitch;
    s.hasField = positive(f.hasInitialFov, f.initialFov);
    s.hfov = f.initialFov;
}

}  // namespace

double headingOfColumn(double leftHeading, double angle, int width, double column)
{
    return wrapped(leftHeading + (column + 0.5) * angle / width);
}

ViewLayout viewLayoutOf(const KalAttribs *attribs, const GPanoFields *gpano, int width, int height,
                        ForcedProjection forced)
{
    ViewLayout out;
    kal::PanoramaLayout &l = out.layout;
    if (attribs) {
        l.angle = attribs->angle >= 1 && attribs->angle <= 360 ? attribs->angle : 360;
        l.leftHeading = wrapped(attribs->orientation);
        l.horizon = attribs->horizon;
        if (forced == ForcedProjection::sphere) l.projection = kal::ProjectionKind::sphere;
        return out;
    }
    bool sphere = gpano ? (gpano->equirectangular) : width == 2 * height;
    if (forced != ForcedProjection::none) sphere = forced == ForcedProjection::sphere;
    if (gpano) {
        fromGPano(*gpano, width, height, sphere, out);
    } else if (sphere) {
        l.projection = kal::ProjectionKind::sphere;
        l.leftHeading = 180;  // the middle column faces north
    }
    return out;
}

ViewLayout colourViewLayout(const KalAttribs &attribs, const GivenAttribs &given,
                            const GPanoFields *gpano, int storedWidth, int storedHeight,
                            int shownHeight, ForcedProjection forced)
{
    // An attribute file that gives none of the coverage leaves it all to
    // the metadata; one that gives some keeps the metadata's value for the rest.
    const bool coverageGiven = given.angle || given.orientation || given.horizon;
    KalAttribs merged = attribs;
    if (coverageGiven && gpano) {
        const GPanoPlacement p =
            placementFromGPano(*gpano, storedWidth, storedHeight, storedHeight);
        KalAttribs metadata{};
        metadata.angle = p.angle;
        metadata.orientation = p.orientation;
        metadata.horizon = p.horizon;
        mergeMetadata(merged, given, metadata);
    }
    ViewLayout out =
        viewLayoutOf(coverageGiven ? &merged : nullptr, gpano, storedWidth, storedHeight, forced);
    if (storedHeight > 0) out.layout.horizon *= double(shownHeight) / storedHeight;
    return out;
}

}  // namespace kalhost
