#pragma once
// CoreGraphics as the macOS drawing layer uses it, with the platform's names, types and
// values (x86_64): geometry, colour spaces and colours, bitmap contexts over the caller's
// memory (32 bits a pixel, alpha skipped first, the usual bottom-up device space), the
// current transformation, saved states, rectangle clips, fills, antialiasing, the text
// matrix and position, images of a context and drawing them, and rectangle paths.
//
// What the stand-in leaves out: transformations that rotate or shear (fills, clips and
// images take the bounding box), clips other than rectangles, blend modes, patterns,
// shadows and every other colour model; images are sampled at the nearest pixel.
#include "../CoreFoundation/CoreFoundation.h"

#include <stddef.h>

typedef double CGFloat;

struct CGPoint {
  CGFloat x, y;
};
typedef struct CGPoint CGPoint;
struct CGSize {
  CGFloat width, height;
};
typedef struct CGSize CGSize;
struct CGRect {
  CGPoint origin;
  CGSize size;
};
typedef struct CGRect CGRect;
struct CGAffineTransform {
  CGFloat a, b, c, d, tx, ty;
};
typedef struct CGAffineTransform CGAffineTransform;

static_assert(sizeof(CGFloat) == 8, "CGFloat is a double on 64-bit macOS");
static_assert(sizeof(CGPoint) == 16 && sizeof(CGSize) == 16 && sizeof(CGRect) == 32,
              "CoreGraphics geometry as on 64-bit macOS");
static_assert(sizeof(CGAffineTransform) == 48, "CGAffineTransform as on 64-bit macOS");

CORVANEL_MAC_API const CGAffineTransform CGAffineTransformIdentity;

static inline CGPoint CGPointMake(CGFloat x, CGFloat y) {
  CGPoint p = {x, y};
  return p;
}
static inline CGSize CGSizeMake(CGFloat width, CGFloat height) {
  CGSize s = {width, height};
  return s;
}
static inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
  CGRect r = {{x, y}, {width, height}};
  return r;
}
CORVANEL_MAC_API CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c,
                                                         CGFloat d, CGFloat tx, CGFloat ty);
CORVANEL_MAC_API CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy);
CORVANEL_MAC_API CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty);

typedef struct CGColorSpace* CGColorSpaceRef;
typedef struct CGColor* CGColorRef;
typedef struct CGContext* CGContextRef;
typedef struct CGImage* CGImageRef;
typedef struct CGDataProvider* CGDataProviderRef;
typedef const struct CGPath* CGPathRef;
typedef struct CGPath* CGMutablePathRef;
typedef uint32_t CGDirectDisplayID;

typedef uint32_t CGBitmapInfo;
typedef enum : uint32_t {
  kCGImageAlphaNone = 0,
  kCGImageAlphaPremultipliedLast = 1,
  kCGImageAlphaPremultipliedFirst = 2,
  kCGImageAlphaLast = 3,
  kCGImageAlphaFirst = 4,
  kCGImageAlphaNoneSkipLast = 5,
  kCGImageAlphaNoneSkipFirst = 6,
  kCGImageAlphaOnly = 7,
} CGImageAlphaInfo;
enum : uint32_t {
  kCGBitmapAlphaInfoMask = 0x1F,
  kCGBitmapByteOrderMask = 0x7000,
  kCGBitmapByteOrderDefault = 0 << 12,
  kCGBitmapByteOrder32Little = 2 << 12,
  kCGBitmapByteOrder32Big = 4 << 12,
};
typedef int32_t CGColorRenderingIntent;
enum { kCGRenderingIntentDefault = 0 };
static_assert(sizeof(CGImageAlphaInfo) == 4, "CGImageAlphaInfo is a uint32_t enumeration");

// ---- Colour spaces and colours --------------------------------------------------------------
// The stand-in has one colour model, RGB, and one colour space object for the process (the
// display's is device RGB); retaining and releasing it does nothing.
CORVANEL_MAC_API CGColorSpaceRef CGColorSpaceCreateDeviceRGB(void);
CORVANEL_MAC_API CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space);
CORVANEL_MAC_API void CGColorSpaceRelease(CGColorSpaceRef space);
CORVANEL_MAC_API CGDirectDisplayID CGMainDisplayID(void);
CORVANEL_MAC_API CGColorSpaceRef CGDisplayCopyColorSpace(CGDirectDisplayID display);

// components: red, green, blue, alpha (0..1).
CORVANEL_MAC_API CGColorRef CGColorCreate(CGColorSpaceRef space, const CGFloat* components);
CORVANEL_MAC_API CGColorRef CGColorRetain(CGColorRef color);
CORVANEL_MAC_API void CGColorRelease(CGColorRef color);
CORVANEL_MAC_API size_t CGColorGetNumberOfComponents(CGColorRef color);
CORVANEL_MAC_API const CGFloat* CGColorGetComponents(CGColorRef color);

// ---- Bitmap contexts --------------------------------------------------------------------------
// The stand-in draws into 8-bit, 4-channel memory with kCGImageAlphaNoneSkipFirst (bytes X, R, G,
// B) or kCGImageAlphaPremultipliedFirst; other layouts answer NULL, as does NULL data.
CORVANEL_MAC_API CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height,
                                                    size_t bitsPerComponent, size_t bytesPerRow,
                                                    CGColorSpaceRef space, uint32_t bitmapInfo);
CORVANEL_MAC_API void* CGBitmapContextGetData(CGContextRef context);
CORVANEL_MAC_API size_t CGBitmapContextGetWidth(CGContextRef context);
CORVANEL_MAC_API size_t CGBitmapContextGetHeight(CGContextRef context);
CORVANEL_MAC_API size_t CGBitmapContextGetBytesPerRow(CGContextRef context);
// A copy of the context's pixels as they are now.
CORVANEL_MAC_API CGImageRef CGBitmapContextCreateImage(CGContextRef context);
CORVANEL_MAC_API CGContextRef CGContextRetain(CGContextRef context);
CORVANEL_MAC_API void CGContextRelease(CGContextRef context);

// ---- Context state ------------------------------------------------------------------------------
CORVANEL_MAC_API void CGContextSaveGState(CGContextRef c);
CORVANEL_MAC_API void CGContextRestoreGState(CGContextRef c);
CORVANEL_MAC_API void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty);
CORVANEL_MAC_API void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy);
CORVANEL_MAC_API CGAffineTransform CGContextGetCTM(CGContextRef c);
CORVANEL_MAC_API void CGContextClipToRect(CGContextRef c, CGRect rect);
CORVANEL_MAC_API void CGContextSetShouldAntialias(CGContextRef c, bool shouldAntialias);
CORVANEL_MAC_API void CGContextSetRGBFillColor(CGContextRef c, CGFloat red, CGFloat green,
                                               CGFloat blue, CGFloat alpha);
CORVANEL_MAC_API void CGContextSetFillColorWithColor(CGContextRef c, CGColorRef color);
CORVANEL_MAC_API void CGContextFillRect(CGContextRef c, CGRect rect);
// The text matrix is not part of the saved state, as on the platform.
CORVANEL_MAC_API void CGContextSetTextMatrix(CGContextRef c, CGAffineTransform t);
CORVANEL_MAC_API CGAffineTransform CGContextGetTextMatrix(CGContextRef c);
CORVANEL_MAC_API void CGContextSetTextPosition(CGContextRef c, CGFloat x, CGFloat y);
CORVANEL_MAC_API CGPoint CGContextGetTextPosition(CGContextRef c);

// ---- Images -------------------------------------------------------------------------------------
typedef void (*CGDataProviderReleaseDataCallback)(void* info, const void* data, size_t size);
CORVANEL_MAC_API CGDataProviderRef CGDataProviderCreateWithData(
    void* info, const void* data, size_t size, CGDataProviderReleaseDataCallback releaseData);
CORVANEL_MAC_API void CGDataProviderRelease(CGDataProviderRef provider);
CORVANEL_MAC_API CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent,
                                          size_t bitsPerPixel, size_t bytesPerRow,
                                          CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                                          CGDataProviderRef provider, const CGFloat* decode,
                                          bool shouldInterpolate,
                                          CGColorRenderingIntent intent);
CORVANEL_MAC_API size_t CGImageGetWidth(CGImageRef image);
CORVANEL_MAC_API size_t CGImageGetHeight(CGImageRef image);
CORVANEL_MAC_API CGImageRef CGImageRetain(CGImageRef image);
CORVANEL_MAC_API void CGImageRelease(CGImageRef image);
// Draws the image upright into rect (its first row at the top of rect), opaque.
CORVANEL_MAC_API void CGContextDrawImage(CGContextRef c, CGRect rect, CGImageRef image);

// ---- Paths --------------------------------------------------------------------------------------
// Rectangles only: enough for a text frame.
CORVANEL_MAC_API CGMutablePathRef CGPathCreateMutable(void);
CORVANEL_MAC_API void CGPathAddRect(CGMutablePathRef path, const CGAffineTransform* m, CGRect rect);
CORVANEL_MAC_API CGPathRef CGPathCreateWithRect(CGRect rect, const CGAffineTransform* transform);
CORVANEL_MAC_API CGRect CGPathGetBoundingBox(CGPathRef path);
CORVANEL_MAC_API void CGPathRelease(CGPathRef path);
