// The stand-in's CoreGraphics: colours, bitmap contexts over the caller's memory with the
// platform's bottom-up device space, saved states, rectangle clips and fills, images of a
// context, and rectangle paths.
#include "CGContext.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The opaque types of the header.
// The one colour space, shared by the whole process and not counted among live objects.
struct CGColorSpace : CFObj {
  CGColorSpace() : CFObj(kCGColorSpaceType, true) {}
};

struct CGDataProvider : CFObj {
  void* mInfo;
  const void* mData;
  size_t mSize;
  CGDataProviderReleaseDataCallback mRelease;
  CGDataProvider() : CFObj(kCGDataProviderType, false) {}
  void Finalize() override {
    if (mRelease) mRelease(mInfo, mData, mSize);
    mRelease = nullptr;
  }
};

struct CGImage : CFObj {
  int mWidth = 0, mHeight = 0;
  long mBytesPerRow = 0;
  std::vector<unsigned char> mPixels; // X, R, G, B bytes
  CGImage() : CFObj(kCGImageType, false) {}
  void Finalize() override { std::vector<unsigned char>().swap(mPixels); }
};

struct CGPath : CFObj {
  bool mHasRect = false;
  CGRect mBox = {{0, 0}, {0, 0}};
  CGPath() : CFObj(kCGPathType, false) {}
};

namespace {

CGContext* Context(CGContextRef c) { return CGObject<CGContext>(c, kCGContextType); }

CGAffineTransform Concat(const CGAffineTransform& t, const CGAffineTransform& m) {
  // t then m, as CGAffineTransformConcat(t, m).
  return {t.a * m.a + t.b * m.c,         t.a * m.b + t.b * m.d,
          t.c * m.a + t.d * m.c,         t.c * m.b + t.d * m.d,
          t.tx * m.a + t.ty * m.c + m.tx, t.tx * m.b + t.ty * m.d + m.ty};
}

CGRect Standard(CGRect r) {
  if (r.size.width < 0) {
    r.origin.x += r.size.width;
    r.size.width = -r.size.width;
  }
  if (r.size.height < 0) {
    r.origin.y += r.size.height;
    r.size.height = -r.size.height;
  }
  return r;
}

unsigned Byte(CGFloat v) { return (unsigned)std::lround(std::min(1.0, std::max(0.0, v)) * 255.0); }

} // namespace

const CGAffineTransform CGAffineTransformIdentity = {1, 0, 0, 1, 0, 0};

CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx,
                                        CGFloat ty) {
  return {a, b, c, d, tx, ty};
}
CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy) { return {sx, 0, 0, sy, 0, 0}; }
CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty) {
  return {1, 0, 0, 1, tx, ty};
}

// ---- Context internals --------------------------------------------------------------------------

CGPoint CGContext::ToDevice(CGPoint p) const {
  const CGAffineTransform& m = mState.mCTM;
  return {m.a * p.x + m.c * p.y + m.tx, m.b * p.x + m.d * p.y + m.ty};
}

CGPixelBox CGContext::Cover(CGRect r) const {
  r = Standard(r);
  double xs[4], ys[4];
  const CGPoint corners[4] = {r.origin,
                              {r.origin.x + r.size.width, r.origin.y},
                              {r.origin.x, r.origin.y + r.size.height},
                              {r.origin.x + r.size.width, r.origin.y + r.size.height}};
  for (int i = 0; i < 4; ++i) {
    const CGPoint d = ToDevice(corners[i]);
    xs[i] = d.x;
    ys[i] = d.y;
  }
  const double x0 = *std::min_element(xs, xs + 4), x1 = *std::max_element(xs, xs + 4);
  const double y0 = *std::min_element(ys, ys + 4), y1 = *std::max_element(ys, ys + 4);
  // Pixel column i has its centre at i + 0.5; device row j (from the bottom) likewise.
  CGPixelBox box;
  box.mLeft = (int)std::max(-1.0, std::ceil(x0 - 0.5));
  box.mRight = (int)std::min(mWidth + 1.0, std::ceil(x1 - 0.5));
  const int bottomRow = (int)std::max(-1.0, std::ceil(y0 - 0.5));
  const int topRow = (int)std::min(mHeight + 1.0, std::ceil(y1 - 0.5));
  box.mTop = mHeight - topRow;
  box.mBottom = mHeight - bottomRow;
  box.mLeft = std::max(box.mLeft, mState.mClip.mLeft);
  box.mRight = std::min(box.mRight, mState.mClip.mRight);
  box.mTop = std::max(box.mTop, mState.mClip.mTop);
  box.mBottom = std::min(box.mBottom, mState.mClip.mBottom);
  return box;
}

void CGContext::Blend(unsigned char* px, const unsigned rgb[3], unsigned v) {
  for (int i = 0; i < 3; ++i)
    px[1 + i] = (unsigned char)((rgb[i] * v + px[1 + i] * (255 - v) + 127) / 255);
}

// ---- Colour spaces and colours --------------------------------------------------------------

CGColorSpaceRef CGColorSpaceCreateDeviceRGB(void) {
  static CGColorSpace* space = new CGColorSpace();
  return (CGColorSpaceRef)space;
}
CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space) {
  return (CGColorSpaceRef)CFRetain(space);
}
void CGColorSpaceRelease(CGColorSpaceRef space) {
  if (space) CFRelease(space);
}
CGDirectDisplayID CGMainDisplayID(void) { return 1; }
CGColorSpaceRef CGDisplayCopyColorSpace(CGDirectDisplayID display) {
  return CGColorSpaceCreateDeviceRGB();
}

CGColorRef CGColorCreate(CGColorSpaceRef space, const CGFloat* components) {
  if (!CGObject<CGColorSpace>(space, kCGColorSpaceType) || !components) return nullptr;
  CGColor* c = new CGColor();
  std::memcpy(c->mComponents, components, sizeof(c->mComponents));
  return (CGColorRef)c;
}
CGColorRef CGColorRetain(CGColorRef color) { return (CGColorRef)CFRetain(color); }
void CGColorRelease(CGColorRef color) {
  if (color) CFRelease(color);
}
size_t CGColorGetNumberOfComponents(CGColorRef color) {
  return CGObject<CGColor>(color, kCGColorType) ? 4 : 0;
}
const CGFloat* CGColorGetComponents(CGColorRef color) {
  CGColor* c = CGObject<CGColor>(color, kCGColorType);
  return c ? c->mComponents : nullptr;
}

// ---- Bitmap contexts --------------------------------------------------------------------------

CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, CGColorSpaceRef space, uint32_t bitmapInfo) {
  const uint32_t alpha = bitmapInfo & kCGBitmapAlphaInfoMask;
  if (!data || !width || !height || bitsPerComponent != 8 || width > 0x7fffffff / 4 ||
      height > 0x7fffffff || bytesPerRow < 4 * width ||
      !CGObject<CGColorSpace>(space, kCGColorSpaceType) ||
      (alpha != kCGImageAlphaNoneSkipFirst && alpha != kCGImageAlphaPremultipliedFirst) ||
      (bitmapInfo & kCGBitmapByteOrderMask) != kCGBitmapByteOrderDefault)
    return nullptr;
  CGContext* c = new CGContext();
  c->mData = (unsigned char*)data;
  c->mWidth = (int)width;
  c->mHeight = (int)height;
  c->mBytesPerRow = (long)bytesPerRow;
  c->mState.mCTM = CGAffineTransformIdentity;
  c->mState.mClip = {0, 0, (int)width, (int)height};
  c->mTextMatrix = CGAffineTransformIdentity;
  return (CGContextRef)c;
}

void* CGBitmapContextGetData(CGContextRef context) {
  CGContext* c = Context(context);
  return c ? c->mData : nullptr;
}
size_t CGBitmapContextGetWidth(CGContextRef context) {
  CGContext* c = Context(context);
  return c ? (size_t)c->mWidth : 0;
}
size_t CGBitmapContextGetHeight(CGContextRef context) {
  CGContext* c = Context(context);
  return c ? (size_t)c->mHeight : 0;
}
size_t CGBitmapContextGetBytesPerRow(CGContextRef context) {
  CGContext* c = Context(context);
  return c ? (size_t)c->mBytesPerRow : 0;
}

CGImageRef CGBitmapContextCreateImage(CGContextRef context) {
  CGContext* c = Context(context);
  if (!c) return nullptr;
  CGImage* image = new CGImage();
  image->mWidth = c->mWidth;
  image->mHeight = c->mHeight;
  image->mBytesPerRow = 4L * c->mWidth;
  image->mPixels.resize((size_t)image->mBytesPerRow * c->mHeight);
  for (int y = 0; y < c->mHeight; ++y)
    std::memcpy(&image->mPixels[(size_t)y * image->mBytesPerRow], c->Pixel(0, y),
                (size_t)image->mBytesPerRow);
  return (CGImageRef)image;
}

CGContextRef CGContextRetain(CGContextRef context) { return (CGContextRef)CFRetain(context); }
void CGContextRelease(CGContextRef context) {
  if (context) CFRelease(context);
}

// ---- Context state ------------------------------------------------------------------------------

void CGContextSaveGState(CGContextRef context) {
  if (CGContext* c = Context(context)) c->mSaved.push_back(c->mState);
}
void CGContextRestoreGState(CGContextRef context) {
  CGContext* c = Context(context);
  if (!c || c->mSaved.empty()) return;
  c->mState = c->mSaved.back();
  c->mSaved.pop_back();
}
void CGContextTranslateCTM(CGContextRef context, CGFloat tx, CGFloat ty) {
  if (CGContext* c = Context(context))
    c->mState.mCTM = Concat(CGAffineTransformMakeTranslation(tx, ty), c->mState.mCTM);
}
void CGContextScaleCTM(CGContextRef context, CGFloat sx, CGFloat sy) {
  if (CGContext* c = Context(context))
    c->mState.mCTM = Concat(CGAffineTransformMakeScale(sx, sy), c->mState.mCTM);
}
CGAffineTransform CGContextGetCTM(CGContextRef context) {
  CGContext* c = Context(context);
  return c ? c->mState.mCTM : CGAffineTransformIdentity;
}
void CGContextClipToRect(CGContextRef context, CGRect rect) {
  if (CGContext* c = Context(context)) {
    CGPixelBox box = c->Cover(rect);
    if (box.Empty()) box = {0, 0, 0, 0};
    c->mState.mClip = box;
  }
}
void CGContextSetShouldAntialias(CGContextRef context, bool shouldAntialias) {
  if (CGContext* c = Context(context)) c->mState.mAntialias = shouldAntialias;
}
void CGContextSetRGBFillColor(CGContextRef context, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha) {
  if (CGContext* c = Context(context)) {
    c->mState.mFill[0] = red;
    c->mState.mFill[1] = green;
    c->mState.mFill[2] = blue;
    c->mState.mFill[3] = alpha;
  }
}
void CGContextSetFillColorWithColor(CGContextRef context, CGColorRef color) {
  const CGFloat* k = CGColorGetComponents(color);
  if (k) CGContextSetRGBFillColor(context, k[0], k[1], k[2], k[3]);
}

void CGContextFillRect(CGContextRef context, CGRect rect) {
  CGContext* c = Context(context);
  if (!c) return;
  const CGPixelBox box = c->Cover(rect);
  const unsigned rgb[3] = {Byte(c->mState.mFill[0]), Byte(c->mState.mFill[1]),
                           Byte(c->mState.mFill[2])};
  const unsigned v = Byte(c->mState.mFill[3]);
  if (!v) return;
  for (int y = box.mTop; y < box.mBottom; ++y)
    for (int x = box.mLeft; x < box.mRight; ++x) {
      unsigned char* px = c->Pixel(x, y);
      CGContext::Blend(px, rgb, v);
      px[0] = 0xff; // the skipped byte of an opaque surface
    }
}

void CGContextSetTextMatrix(CGContextRef context, CGAffineTransform t) {
  if (CGContext* c = Context(context)) c->mTextMatrix = t;
}
CGAffineTransform CGContextGetTextMatrix(CGContextRef context) {
  CGContext* c = Context(context);
  return c ? c->mTextMatrix : CGAffineTransformIdentity;
}
void CGContextSetTextPosition(CGContextRef context, CGFloat x, CGFloat y) {
  if (CGContext* c = Context(context)) {
    c->mTextMatrix.tx = x;
    c->mTextMatrix.ty = y;
  }
}
CGPoint CGContextGetTextPosition(CGContextRef context) {
  CGContext* c = Context(context);
  return c ? CGPoint{c->mTextMatrix.tx, c->mTextMatrix.ty} : CGPoint{0, 0};
}

// ---- Images -------------------------------------------------------------------------------------

CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback releaseData) {
  CGDataProvider* p = new CGDataProvider();
  p->mInfo = info;
  p->mData = data;
  p->mSize = size;
  p->mRelease = releaseData;
  return (CGDataProviderRef)p;
}
void CGDataProviderRelease(CGDataProviderRef provider) {
  if (provider) CFRelease(provider);
}

CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                         size_t bytesPerRow, CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                         CGDataProviderRef provider, const CGFloat* decode,
                         bool shouldInterpolate, CGColorRenderingIntent intent) {
  CGDataProvider* p = CGObject<CGDataProvider>(provider, kCGDataProviderType);
  const uint32_t alpha = bitmapInfo & kCGBitmapAlphaInfoMask;
  if (!p || !width || !height || bitsPerComponent != 8 || bitsPerPixel != 32 ||
      bytesPerRow < 4 * width || width > 0x7fffffff / 4 ||
      (alpha != kCGImageAlphaNoneSkipFirst && alpha != kCGImageAlphaPremultipliedFirst &&
       alpha != kCGImageAlphaFirst) ||
      (bitmapInfo & kCGBitmapByteOrderMask) != kCGBitmapByteOrderDefault ||
      (height - 1) * bytesPerRow + 4 * width > p->mSize)
    return nullptr;
  CGImage* image = new CGImage();
  image->mWidth = (int)width;
  image->mHeight = (int)height;
  image->mBytesPerRow = 4L * (long)width;
  image->mPixels.resize(4 * width * height);
  for (size_t y = 0; y < height; ++y)
    std::memcpy(&image->mPixels[y * 4 * width], (const unsigned char*)p->mData + y * bytesPerRow,
                4 * width);
  return (CGImageRef)image;
}

size_t CGImageGetWidth(CGImageRef image) {
  CGImage* i = CGObject<CGImage>(image, kCGImageType);
  return i ? (size_t)i->mWidth : 0;
}
size_t CGImageGetHeight(CGImageRef image) {
  CGImage* i = CGObject<CGImage>(image, kCGImageType);
  return i ? (size_t)i->mHeight : 0;
}
CGImageRef CGImageRetain(CGImageRef image) { return (CGImageRef)CFRetain(image); }
void CGImageRelease(CGImageRef image) {
  if (image) CFRelease(image);
}

void CGContextDrawImage(CGContextRef context, CGRect rect, CGImageRef image) {
  CGContext* c = Context(context);
  CGImage* img = CGObject<CGImage>(image, kCGImageType);
  if (!c || !img) return;
  rect = Standard(rect);
  if (rect.size.width <= 0 || rect.size.height <= 0) return;
  const CGAffineTransform& m = c->mState.mCTM;
  const double det = m.a * m.d - m.b * m.c;
  if (det == 0) return;
  const CGPixelBox box = c->Cover(rect);
  for (int row = box.mTop; row < box.mBottom; ++row)
    for (int x = box.mLeft; x < box.mRight; ++x) {
      // The pixel's centre back in user space, then in the image (its first row at the top).
      const double dx = x + 0.5 - m.tx, dy = c->mHeight - row - 0.5 - m.ty;
      const double ux = (m.d * dx - m.c * dy) / det, uy = (m.a * dy - m.b * dx) / det;
      const int ix = (int)std::floor((ux - rect.origin.x) / rect.size.width * img->mWidth);
      const int iy = (int)std::floor((rect.origin.y + rect.size.height - uy) /
                                     rect.size.height * img->mHeight);
      if (ix < 0 || iy < 0 || ix >= img->mWidth || iy >= img->mHeight) continue;
      std::memcpy(c->Pixel(x, row), &img->mPixels[(size_t)iy * img->mBytesPerRow + 4 * ix], 4);
      c->Pixel(x, row)[0] = 0xff;
    }
}

// ---- Paths --------------------------------------------------------------------------------------

CGMutablePathRef CGPathCreateMutable(void) { return (CGMutablePathRef) new CGPath(); }

void CGPathAddRect(CGMutablePathRef path, const CGAffineTransform* m, CGRect rect) {
  CGPath* p = CGObject<CGPath>(path, kCGPathType);
  if (!p) return;
  rect = Standard(rect);
  if (m) rect.origin = {rect.origin.x + m->tx, rect.origin.y + m->ty}; // translations only
  if (!p->mHasRect) {
    p->mBox = rect;
    p->mHasRect = true;
    return;
  }
  const double l = std::min(p->mBox.origin.x, rect.origin.x);
  const double b = std::min(p->mBox.origin.y, rect.origin.y);
  const double r = std::max(p->mBox.origin.x + p->mBox.size.width, rect.origin.x + rect.size.width);
  const double t = std::max(p->mBox.origin.y + p->mBox.size.height, rect.origin.y + rect.size.height);
  p->mBox = CGRectMake(l, b, r - l, t - b);
}

CGPathRef CGPathCreateWithRect(CGRect rect, const CGAffineTransform* transform) {
  CGMutablePathRef p = CGPathCreateMutable();
  CGPathAddRect(p, transform, rect);
  return p;
}

CGRect CGPathGetBoundingBox(CGPathRef path) {
  CGPath* p = CGObject<CGPath>(path, kCGPathType);
  return p ? p->mBox : CGRectMake(INFINITY, INFINITY, 0, 0);
}

void CGPathRelease(CGPathRef path) {
  if (path) CFRelease(path);
}
