#include "Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace qv {

const CGRect CGRectNull { { std::numeric_limits<CGFloat>::infinity(), std::numeric_limits<CGFloat>::infinity() }, { 0, 0 } };

CGRect CGRectStandardize(CGRect rect)
{
    if (rect.size.width < 0) {
        rect.origin.x += rect.size.width;
        rect.size.width = -rect.size.width;
    }
    if (rect.size.height < 0) {
        rect.origin.y += rect.size.height;
        rect.size.height = -rect.size.height;
    }
    return rect;
}

CGFloat CGRectGetMinX(CGRect rect) { return CGRectStandardize(rect).origin.x; }
CGFloat CGRectGetMinY(CGRect rect) { return CGRectStandardize(rect).origin.y; }
CGFloat CGRectGetMidX(CGRect rect) { rect = CGRectStandardize(rect); return rect.origin.x + rect.size.width / 2; }
CGFloat CGRectGetMidY(CGRect rect) { rect = CGRectStandardize(rect); return rect.origin.y + rect.size.height / 2; }
CGFloat CGRectGetMaxX(CGRect rect) { rect = CGRectStandardize(rect); return rect.origin.x + rect.size.width; }
CGFloat CGRectGetMaxY(CGRect rect) { rect = CGRectStandardize(rect); return rect.origin.y + rect.size.height; }
CGFloat CGRectGetWidth(CGRect rect) { return std::fabs(rect.size.width); }
CGFloat CGRectGetHeight(CGRect rect) { return std::fabs(rect.size.height); }

bool CGRectIsNull(CGRect rect) { return std::isinf(rect.origin.x) || std::isinf(rect.origin.y); }
bool CGRectIsEmpty(CGRect rect) { return CGRectIsNull(rect) || rect.size.width == 0 || rect.size.height == 0; }
bool CGRectEqualToRect(CGRect a, CGRect b) { return CGRectStandardize(a) == CGRectStandardize(b); }
bool CGPointEqualToPoint(CGPoint a, CGPoint b) { return a == b; }
bool CGSizeEqualToSize(CGSize a, CGSize b) { return a == b; }

bool CGRectContainsPoint(CGRect rect, CGPoint point)
{
    if (CGRectIsNull(rect))
        return false;
    rect = CGRectStandardize(rect);
    return point.x >= rect.origin.x && point.x < rect.origin.x + rect.size.width
        && point.y >= rect.origin.y && point.y < rect.origin.y + rect.size.height;
}

bool CGRectContainsRect(CGRect outer, CGRect inner)
{
    if (CGRectIsNull(outer) || CGRectIsNull(inner))
        return false;
    return CGRectGetMinX(inner) >= CGRectGetMinX(outer) && CGRectGetMinY(inner) >= CGRectGetMinY(outer)
        && CGRectGetMaxX(inner) <= CGRectGetMaxX(outer) && CGRectGetMaxY(inner) <= CGRectGetMaxY(outer);
}

CGRect CGRectIntersection(CGRect a, CGRect b)
{
    if (CGRectIsNull(a) || CGRectIsNull(b))
        return CGRectNull;
    CGFloat minX = std::max(CGRectGetMinX(a), CGRectGetMinX(b));
    CGFloat minY = std::max(CGRectGetMinY(a), CGRectGetMinY(b));
    CGFloat maxX = std::min(CGRectGetMaxX(a), CGRectGetMaxX(b));
    CGFloat maxY = std::min(CGRectGetMaxY(a), CGRectGetMaxY(b));
    if (maxX < minX || maxY < minY)
        return CGRectNull;
    return CGRectMake(minX, minY, maxX - minX, maxY - minY);
}

bool CGRectIntersectsRect(CGRect a, CGRect b)
{
    CGRect meet = CGRectIntersection(a, b);
    return !CGRectIsNull(meet) && meet.size.width > 0 && meet.size.height > 0;
}

CGRect CGRectUnion(CGRect a, CGRect b)
{
    if (CGRectIsNull(a))
        return CGRectStandardize(b);
    if (CGRectIsNull(b))
        return CGRectStandardize(a);
    CGFloat minX = std::min(CGRectGetMinX(a), CGRectGetMinX(b));
    CGFloat minY = std::min(CGRectGetMinY(a), CGRectGetMinY(b));
    CGFloat maxX = std::max(CGRectGetMaxX(a), CGRectGetMaxX(b));
    CGFloat maxY = std::max(CGRectGetMaxY(a), CGRectGetMaxY(b));
    return CGRectMake(minX, minY, maxX - minX, maxY - minY);
}

CGRect CGRectOffset(CGRect rect, CGFloat dx, CGFloat dy)
{
    if (CGRectIsNull(rect))
        return rect;
    rect = CGRectStandardize(rect);
    rect.origin.x += dx;
    rect.origin.y += dy;
    return rect;
}

CGRect CGRectInset(CGRect rect, CGFloat dx, CGFloat dy)
{
    if (CGRectIsNull(rect))
        return rect;
    rect = CGRectStandardize(rect);
    rect.origin.x += dx;
    rect.origin.y += dy;
    rect.size.width -= 2 * dx;
    rect.size.height -= 2 * dy;
    if (rect.size.width < 0 || rect.size.height < 0)
        return CGRectNull;
    return rect;
}

CGRect CGRectIntegral(CGRect rect)
{
    if (CGRectIsNull(rect))
        return rect;
    CGFloat minX = std::floor(CGRectGetMinX(rect));
    CGFloat minY = std::floor(CGRectGetMinY(rect));
    CGFloat maxX = std::ceil(CGRectGetMaxX(rect));
    CGFloat maxY = std::ceil(CGRectGetMaxY(rect));
    return CGRectMake(minX, minY, maxX - minX, maxY - minY);
}

CGAffineTransform CGAffineTransformMakeRotation(CGFloat angle)
{
    CGFloat c = std::cos(angle);
    CGFloat s = std::sin(angle);
    return { c, s, -s, c, 0, 0 };
}

CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy) { return { sx, 0, 0, sy, 0, 0 }; }
CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty) { return { 1, 0, 0, 1, tx, ty }; }

CGAffineTransform CGAffineTransformConcat(CGAffineTransform t1, CGAffineTransform t2)
{
    return {
        t1.a * t2.a + t1.b * t2.c,
        t1.a * t2.b + t1.b * t2.d,
        t1.c * t2.a + t1.d * t2.c,
        t1.c * t2.b + t1.d * t2.d,
        t1.tx * t2.a + t1.ty * t2.c + t2.tx,
        t1.tx * t2.b + t1.ty * t2.d + t2.ty,
    };
}

CGAffineTransform CGAffineTransformRotate(CGAffineTransform t, CGFloat angle) { return CGAffineTransformConcat(CGAffineTransformMakeRotation(angle), t); }
CGAffineTransform CGAffineTransformScale(CGAffineTransform t, CGFloat sx, CGFloat sy) { return CGAffineTransformConcat(CGAffineTransformMakeScale(sx, sy), t); }
CGAffineTransform CGAffineTransformTranslate(CGAffineTransform t, CGFloat tx, CGFloat ty) { return CGAffineTransformConcat(CGAffineTransformMakeTranslation(tx, ty), t); }

CGAffineTransform CGAffineTransformInvert(CGAffineTransform t)
{
    CGFloat det = t.a * t.d - t.b * t.c;
    if (det == 0)
        return t; // singular: the device hands the transform back unchanged
    return {
        t.d / det,
        -t.b / det,
        -t.c / det,
        t.a / det,
        (t.c * t.ty - t.d * t.tx) / det,
        (t.b * t.tx - t.a * t.ty) / det,
    };
}

bool CGAffineTransformIsIdentity(CGAffineTransform t) { return t == CGAffineTransformIdentity; }

CGPoint CGPointApplyAffineTransform(CGPoint p, CGAffineTransform t)
{
    return { t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty };
}

CGSize CGSizeApplyAffineTransform(CGSize s, CGAffineTransform t)
{
    return { t.a * s.width + t.c * s.height, t.b * s.width + t.d * s.height };
}

CGRect CGRectApplyAffineTransform(CGRect rect, CGAffineTransform t)
{
    if (CGRectIsNull(rect))
        return rect;
    rect = CGRectStandardize(rect);
    CGPoint corners[] = {
        CGPointApplyAffineTransform(rect.origin, t),
        CGPointApplyAffineTransform({ CGRectGetMaxX(rect), rect.origin.y }, t),
        CGPointApplyAffineTransform({ rect.origin.x, CGRectGetMaxY(rect) }, t),
        CGPointApplyAffineTransform({ CGRectGetMaxX(rect), CGRectGetMaxY(rect) }, t),
    };
    CGFloat minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const CGPoint& corner : corners) {
        minX = std::min(minX, corner.x);
        maxX = std::max(maxX, corner.x);
        minY = std::min(minY, corner.y);
        maxY = std::max(maxY, corner.y);
    }
    return CGRectMake(minX, minY, maxX - minX, maxY - minY);
}

static std::string formatNumber(CGFloat value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

std::string NSStringFromCGPoint(CGPoint p) { return "{" + formatNumber(p.x) + ", " + formatNumber(p.y) + "}"; }
std::string NSStringFromCGSize(CGSize s) { return "{" + formatNumber(s.width) + ", " + formatNumber(s.height) + "}"; }
std::string NSStringFromCGRect(CGRect r) { return "{" + NSStringFromCGPoint(r.origin) + ", " + NSStringFromCGSize(r.size) + "}"; }

} // namespace qv
