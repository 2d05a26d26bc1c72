// The stand-in's CoreFoundation: every object carries a reference count; the last
// release finalises it (its contents are released) and keeps its husk among the most
// recent few thousand freed objects, so that a release too many is counted instead of
// touching freed memory.
#include "CFObject.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>

namespace {
std::atomic<long> gLive{0};
std::atomic<long> gOverReleases{0};
constexpr size_t kKeptHusks = 4096;

std::mutex& HuskMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::deque<CFObj*>& Husks() {
  static std::deque<CFObj*>* h = new std::deque<CFObj*>;
  return *h;
}

CFObj* Obj(CFTypeRef cf) {
  CFObj* o = (CFObj*)cf;
  return o && o->mMagic == CFObj::kMagic ? o : nullptr;
}

template <class T> T* As(CFTypeRef cf, CFTypeID type) {
  CFObj* o = Obj(cf);
  return o && !o->mDead && o->mType == type ? static_cast<T*>(o) : nullptr;
}

enum : CFTypeID {
  kStringType = 7,
  kNumberType = 22,
  kDataType = 20,
  kArrayType = 19,
  kDictionaryType = 18,
  kURLType = 29,
  kBundleType = 31,
};

struct CFString : CFObj {
  std::string mText;
  CFString(const char* text, bool immortal) : CFObj(kStringType, immortal), mText(text) {}
  void Finalize() override { std::string().swap(mText); }
};

struct CFNumber : CFObj {
  bool mIsFloat;
  int64_t mInt;
  double mFloat;
  CFNumber(bool isFloat, int64_t i, double f)
      : CFObj(kNumberType, false), mIsFloat(isFloat), mInt(i), mFloat(f) {}
};

struct CFData : CFObj {
  std::string mBytes;
  CFData(const UInt8* bytes, CFIndex length)
      : CFObj(kDataType, false), mBytes((const char*)bytes, (size_t)length) {}
  void Finalize() override { std::string().swap(mBytes); }
};

struct CFArray : CFObj {
  CFArrayCallBacks mCallBacks;
  std::vector<const void*> mValues;
  explicit CFArray(const CFArrayCallBacks* callBacks) : CFObj(kArrayType, false) {
    if (callBacks)
      mCallBacks = *callBacks;
    else
      std::memset(&mCallBacks, 0, sizeof(mCallBacks));
  }
  void Append(const void* value) {
    mValues.push_back(mCallBacks.retain ? mCallBacks.retain(nullptr, value) : value);
  }
  void Finalize() override {
    std::vector<const void*> values;
    values.swap(mValues);
    if (mCallBacks.release)
      for (const void* v : values)
        mCallBacks.release(nullptr, v);
  }
};

struct CFDictionary : CFObj {
  bool mRetainKeys, mRetainValues;
  std::vector<std::pair<const void*, const void*>> mEntries;
  CFDictionary(bool retainKeys, bool retainValues)
      : CFObj(kDictionaryType, false), mRetainKeys(retainKeys), mRetainValues(retainValues) {}
  int Find(const void* key) const {
    for (size_t i = 0; i < mEntries.size(); ++i)
      if (mRetainKeys ? CFEqual(mEntries[i].first, key) : mEntries[i].first == key) return (int)i;
    return -1;
  }
  void Drop(std::pair<const void*, const void*> entry) {
    if (mRetainKeys) CFRelease(entry.first);
    if (mRetainValues) CFRelease(entry.second);
  }
  void Finalize() override {
    std::vector<std::pair<const void*, const void*>> entries;
    entries.swap(mEntries);
    for (auto& e : entries)
      Drop(e);
  }
};

struct CFURL : CFObj {
  CFStringRef mString;
  explicit CFURL(const std::string& text)
      : CFObj(kURLType, false), mString(CFStringCreateWithCString(nullptr, text.c_str(), 0)) {}
  void Finalize() override {
    if (mString) CFRelease(mString);
    mString = nullptr;
  }
};

struct CFBundle : CFObj {
  CFStringRef mIdentifier;
  std::string mPath;
  CFBundle(const char* identifier, const char* path)
      : CFObj(kBundleType, true), mIdentifier(__CFStringMakeConstantString(identifier)),
        mPath(path) {}
};

std::mutex& BundleMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
CFBundle*& MainBundle() {
  static CFBundle* b = nullptr;
  return b;
}
std::map<std::string, CFBundle*>& Bundles() {
  static auto* b = new std::map<std::string, CFBundle*>;
  return *b;
}

std::string Describe(CFTypeRef cf) {
  CFStringRef d = CFCopyDescription(cf);
  std::string text = d ? ((const CFString*)d)->mText : std::string("(null)");
  if (d) CFRelease(d);
  return text;
}

const void* RetainCF(CFAllocatorRef, const void* value) { return CFRetain(value); }
void ReleaseCF(CFAllocatorRef, const void* value) { CFRelease(value); }
Boolean EqualCF(const void* a, const void* b) { return CFEqual(a, b); }
CFStringRef DescribeCF(const void* value) { return CFCopyDescription(value); }
CFHashCode HashCF(const void*) { return 0; }
} // namespace

CFObj::CFObj(CFTypeID type, bool immortal) : mType(type), mImmortal(immortal) {
  if (!immortal) ++gLive;
}

// ---- Every type -------------------------------------------------------------------------------

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, RetainCF, ReleaseCF, DescribeCF, EqualCF};
const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {0,          RetainCF, ReleaseCF,
                                                                DescribeCF, EqualCF,  HashCF};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {0, RetainCF, ReleaseCF,
                                                                    DescribeCF, EqualCF};

CFTypeRef CFRetain(CFTypeRef cf) {
  CFObj* o = Obj(cf);
  if (!o) return cf;
  if (o->mImmortal) return cf;
  if (o->mDead) {
    ++gOverReleases;
    return cf;
  }
  ++o->mRefs;
  return cf;
}

void CFRelease(CFTypeRef cf) {
  CFObj* o = Obj(cf);
  if (!o || o->mImmortal) return;
  if (o->mDead) {
    ++gOverReleases;
    return;
  }
  if (--o->mRefs > 0) return;
  o->Finalize();
  o->mDead = true;
  --gLive;
  CFObj* freed = nullptr;
  {
    std::lock_guard<std::mutex> lock(HuskMutex());
    Husks().push_back(o);
    if (Husks().size() > kKeptHusks) {
      freed = Husks().front();
      Husks().pop_front();
    }
  }
  delete freed;
}

CFIndex CFGetRetainCount(CFTypeRef cf) {
  CFObj* o = Obj(cf);
  return o && !o->mDead ? (CFIndex)o->mRefs.load() : 0;
}

CFTypeID CFGetTypeID(CFTypeRef cf) {
  CFObj* o = Obj(cf);
  return o && !o->mDead ? o->mType : 0;
}

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2) {
  if (cf1 == cf2) return true;
  const CFString* a = As<CFString>(cf1, kStringType);
  const CFString* b = As<CFString>(cf2, kStringType);
  if (a && b) return a->mText == b->mText;
  const CFNumber* x = As<CFNumber>(cf1, kNumberType);
  const CFNumber* y = As<CFNumber>(cf2, kNumberType);
  if (x && y) return x->mIsFloat == y->mIsFloat && x->mInt == y->mInt && x->mFloat == y->mFloat;
  return false;
}

CFStringRef CFCopyDescription(CFTypeRef cf) {
  char buf[64];
  if (const CFString* s = As<CFString>(cf, kStringType))
    return CFStringCreateWithCString(nullptr, s->mText.c_str(), kCFStringEncodingUTF8);
  if (const CFNumber* n = As<CFNumber>(cf, kNumberType)) {
    if (n->mIsFloat)
      std::snprintf(buf, sizeof(buf), "%.17g", n->mFloat);
    else
      std::snprintf(buf, sizeof(buf), "%" PRId64, n->mInt);
    return CFStringCreateWithCString(nullptr, buf, kCFStringEncodingUTF8);
  }
  if (const CFArray* a = As<CFArray>(cf, kArrayType)) {
    std::string text = "(";
    for (size_t i = 0; i < a->mValues.size(); ++i) {
      if (i) text += ", ";
      if (a->mCallBacks.copyDescription) {
        CFStringRef d = a->mCallBacks.copyDescription(a->mValues[i]);
        text += d ? ((const CFString*)d)->mText : std::string();
        if (d) CFRelease(d);
      } else {
        std::snprintf(buf, sizeof(buf), "%p", a->mValues[i]);
        text += buf;
      }
    }
    text += ")";
    return CFStringCreateWithCString(nullptr, text.c_str(), kCFStringEncodingUTF8);
  }
  std::snprintf(buf, sizeof(buf), "<CFType %lu>", CFGetTypeID(cf));
  return CFStringCreateWithCString(nullptr, buf, kCFStringEncodingUTF8);
}

// ---- Strings ----------------------------------------------------------------------------------

CFStringRef __CFStringMakeConstantString(const char* cStr) {
  static std::mutex* m = new std::mutex;
  static auto* interned = new std::map<std::string, CFString*>;
  std::lock_guard<std::mutex> lock(*m);
  const std::string key = cStr ? cStr : "";
  auto it = interned->find(key);
  if (it == interned->end()) it = interned->emplace(key, new CFString(key.c_str(), true)).first;
  return (CFStringRef)it->second;
}

CFTypeID CFStringGetTypeID(void) { return kStringType; }

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* cStr, CFStringEncoding) {
  if (!cStr) return nullptr;
  return (CFStringRef) new CFString(cStr, false);
}

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef, CFDictionaryRef,
                                                 CFStringRef format, va_list args) {
  const CFString* f = As<CFString>(format, kStringType);
  if (!f) return nullptr;
  std::string out;
  char buf[64];
  const std::string& fmt = f->mText;
  for (size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] != '%' || i + 1 >= fmt.size()) {
      out += fmt[i];
      continue;
    }
    char c = fmt[++i];
    bool isLong = false;
    if (c == 'l' && i + 1 < fmt.size()) {
      isLong = true;
      c = fmt[++i];
    }
    switch (c) {
    case 'd':
      if (isLong)
        std::snprintf(buf, sizeof(buf), "%ld", va_arg(args, long));
      else
        std::snprintf(buf, sizeof(buf), "%d", va_arg(args, int));
      out += buf;
      break;
    case 'u':
      if (isLong)
        std::snprintf(buf, sizeof(buf), "%lu", va_arg(args, unsigned long));
      else
        std::snprintf(buf, sizeof(buf), "%u", va_arg(args, unsigned));
      out += buf;
      break;
    case 's': {
      const char* s = va_arg(args, const char*);
      out += s ? s : "(null)";
      break;
    }
    case '@':
      out += Describe(va_arg(args, CFTypeRef));
      break;
    case '%':
      out += '%';
      break;
    default:
      out += '%';
      out += c;
    }
  }
  return CFStringCreateWithCString(nullptr, out.c_str(), kCFStringEncodingUTF8);
}

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef options,
                                     CFStringRef format, ...) {
  va_list args;
  va_start(args, format);
  CFStringRef s = CFStringCreateWithFormatAndArguments(alloc, options, format, args);
  va_end(args);
  return s;
}

CFIndex CFStringGetLength(CFStringRef theString) {
  const CFString* s = As<CFString>(theString, kStringType);
  return s ? (CFIndex)s->mText.size() : 0;
}

Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding) {
  const CFString* s = As<CFString>(theString, kStringType);
  if (!s || !buffer || bufferSize <= 0 || (CFIndex)s->mText.size() >= bufferSize) return false;
  std::memcpy(buffer, s->mText.c_str(), s->mText.size() + 1);
  return true;
}

// ---- Numbers ----------------------------------------------------------------------------------

CFTypeID CFNumberGetTypeID(void) { return kNumberType; }

namespace {
// Byte size and kind of a number type; 0 for a type the stand-in does not know.
int NumberSize(CFNumberType type, bool* isFloat) {
  *isFloat = false;
  switch (type) {
  case kCFNumberSInt8Type:
  case kCFNumberCharType:
    return 1;
  case kCFNumberSInt16Type:
  case kCFNumberShortType:
    return 2;
  case kCFNumberSInt32Type:
  case kCFNumberIntType:
    return 4;
  case kCFNumberSInt64Type:
  case kCFNumberLongType:
  case kCFNumberLongLongType:
  case kCFNumberCFIndexType:
    return 8;
  case kCFNumberFloat32Type:
  case kCFNumberFloatType:
    *isFloat = true;
    return 4;
  case kCFNumberFloat64Type:
  case kCFNumberDoubleType:
    *isFloat = true;
    return 8;
  }
  return 0;
}
} // namespace

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr) {
  bool isFloat;
  const int size = NumberSize(theType, &isFloat);
  if (!size || !valuePtr) return nullptr;
  int64_t i = 0;
  double f = 0.0;
  if (isFloat) {
    if (size == 4) {
      float v;
      std::memcpy(&v, valuePtr, 4);
      f = v;
    } else {
      std::memcpy(&f, valuePtr, 8);
    }
  } else if (size == 1) {
    i = *(const int8_t*)valuePtr;
  } else if (size == 2) {
    int16_t v;
    std::memcpy(&v, valuePtr, 2);
    i = v;
  } else if (size == 4) {
    int32_t v;
    std::memcpy(&v, valuePtr, 4);
    i = v;
  } else {
    std::memcpy(&i, valuePtr, 8);
  }
  return (CFNumberRef) new CFNumber(isFloat, i, f);
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
  const CFNumber* n = As<CFNumber>(number, kNumberType);
  bool isFloat;
  const int size = NumberSize(theType, &isFloat);
  if (!n || !size || !valuePtr) return false;
  if (isFloat) {
    const double v = n->mIsFloat ? n->mFloat : (double)n->mInt;
    if (size == 4) {
      const float fv = (float)v;
      std::memcpy(valuePtr, &fv, 4);
      return (double)fv == v;
    }
    std::memcpy(valuePtr, &v, 8);
    return n->mIsFloat || (int64_t)v == n->mInt;
  }
  int64_t v;
  bool exact = true;
  if (n->mIsFloat) {
    const double f = n->mFloat;
    v = f >= -9.2e18 && f <= 9.2e18 ? (int64_t)f : 0;
    exact = (double)v == f;
  } else {
    v = n->mInt;
  }
  if (size == 1) {
    const int8_t t = (int8_t)v;
    *(int8_t*)valuePtr = t;
    return exact && t == v;
  }
  if (size == 2) {
    const int16_t t = (int16_t)v;
    std::memcpy(valuePtr, &t, 2);
    return exact && t == v;
  }
  if (size == 4) {
    const int32_t t = (int32_t)v;
    std::memcpy(valuePtr, &t, 4);
    return exact && t == v;
  }
  std::memcpy(valuePtr, &v, 8);
  return exact;
}

// ---- Data -------------------------------------------------------------------------------------

CFTypeID CFDataGetTypeID(void) { return kDataType; }

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length) {
  if (length < 0 || (length > 0 && !bytes)) return nullptr;
  return (CFDataRef) new CFData(bytes, length);
}

CFIndex CFDataGetLength(CFDataRef theData) {
  const CFData* d = As<CFData>(theData, kDataType);
  return d ? (CFIndex)d->mBytes.size() : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef theData) {
  const CFData* d = As<CFData>(theData, kDataType);
  return d ? (const UInt8*)d->mBytes.data() : nullptr;
}

// ---- Arrays -----------------------------------------------------------------------------------

CFTypeID CFArrayGetTypeID(void) { return kArrayType; }

CFArrayRef CFArrayCreate(CFAllocatorRef, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks) {
  if (numValues < 0 || (numValues > 0 && !values)) return nullptr;
  CFArray* a = new CFArray(callBacks);
  for (CFIndex i = 0; i < numValues; ++i)
    a->Append(values[i]);
  return (CFArrayRef)a;
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef, CFIndex, const CFArrayCallBacks* callBacks) {
  return (CFMutableArrayRef) new CFArray(callBacks);
}

void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value) {
  if (CFArray* a = As<CFArray>(theArray, kArrayType)) a->Append(value);
}

CFIndex CFArrayGetCount(CFArrayRef theArray) {
  const CFArray* a = As<CFArray>(theArray, kArrayType);
  return a ? (CFIndex)a->mValues.size() : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx) {
  const CFArray* a = As<CFArray>(theArray, kArrayType);
  if (!a || idx < 0 || idx >= (CFIndex)a->mValues.size()) return nullptr;
  return a->mValues[(size_t)idx];
}

// ---- Dictionaries -----------------------------------------------------------------------------

CFTypeID CFDictionaryGetTypeID(void) { return kDictionaryType; }

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef, CFIndex,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks) {
  return (CFMutableDictionaryRef) new CFDictionary(keyCallBacks && keyCallBacks->retain,
                                                   valueCallBacks && valueCallBacks->retain);
}

void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
  CFDictionary* d = As<CFDictionary>(theDict, kDictionaryType);
  if (!d) return;
  if (d->mRetainKeys) CFRetain(key);
  if (d->mRetainValues) CFRetain(value);
  const int i = d->Find(key);
  if (i >= 0) {
    auto old = d->mEntries[(size_t)i];
    d->mEntries[(size_t)i] = {key, value};
    d->Drop(old);
  } else {
    d->mEntries.push_back({key, value});
  }
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key) {
  CFDictionary* d = As<CFDictionary>(theDict, kDictionaryType);
  if (!d) return;
  const int i = d->Find(key);
  if (i < 0) return;
  auto old = d->mEntries[(size_t)i];
  d->mEntries.erase(d->mEntries.begin() + i);
  d->Drop(old);
}

const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key) {
  const CFDictionary* d = As<CFDictionary>(theDict, kDictionaryType);
  if (!d) return nullptr;
  const int i = d->Find(key);
  return i >= 0 ? d->mEntries[(size_t)i].second : nullptr;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict) {
  const CFDictionary* d = As<CFDictionary>(theDict, kDictionaryType);
  return d ? (CFIndex)d->mEntries.size() : 0;
}

// ---- URLs and bundles -------------------------------------------------------------------------

CFTypeID CFURLGetTypeID(void) { return kURLType; }

CFStringRef CFURLGetString(CFURLRef anURL) {
  const CFURL* u = As<CFURL>(anURL, kURLType);
  return u ? u->mString : nullptr;
}

CFTypeID CFBundleGetTypeID(void) { return kBundleType; }

CFBundleRef CFBundleGetMainBundle(void) {
  std::lock_guard<std::mutex> lock(BundleMutex());
  return (CFBundleRef)MainBundle();
}

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID) {
  const CFString* id = As<CFString>(bundleID, kStringType);
  if (!id) return nullptr;
  std::lock_guard<std::mutex> lock(BundleMutex());
  auto it = Bundles().find(id->mText);
  return it == Bundles().end() ? nullptr : (CFBundleRef)it->second;
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle) {
  const CFBundle* b = As<CFBundle>(bundle, kBundleType);
  return b ? b->mIdentifier : nullptr;
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle) {
  const CFBundle* b = As<CFBundle>(bundle, kBundleType);
  return b ? (CFURLRef) new CFURL("file://" + b->mPath + "/") : nullptr;
}

// ---- Stand-in only ----------------------------------------------------------------------------

long CorvanelMac_LiveObjects(void) { return gLive.load(); }
long CorvanelMac_OverReleases(void) { return gOverReleases.load(); }

void CorvanelMac_SetMainBundleIdentifier(const char* identifier) {
  std::lock_guard<std::mutex> lock(BundleMutex());
  static auto* made = new std::vector<CFBundle*>; // bundles live for the whole process
  MainBundle() = identifier ? new CFBundle(identifier, "") : nullptr;
  if (MainBundle()) made->push_back(MainBundle());
}

void CorvanelMac_AddBundle(const char* identifier, const char* path) {
  if (!identifier || !path) return;
  std::lock_guard<std::mutex> lock(BundleMutex());
  CFBundle*& slot = Bundles()[identifier];
  delete slot;
  slot = new CFBundle(identifier, path);
}
