// The stand-in's bundle registry, read as a host's component manager filled it.
#include "StandInBundle.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cstring>

bool StandInBundlePath(const char* bundleID, WDL_String* path) {
  if (!bundleID || !path) return false;
  CFStringRef id = CFStringCreateWithCString(kCFAllocatorDefault, bundleID, kCFStringEncodingUTF8);
  if (!id) return false;
  CFBundleRef bundle = CFBundleGetBundleWithIdentifier(id);
  CFRelease(id);
  if (!bundle) return false;
  CFURLRef url = CFBundleCopyBundleURL(bundle);
  if (!url) return false;
  char text[4096];
  const bool ok =
      CFStringGetCString(CFURLGetString(url), text, sizeof(text), kCFStringEncodingUTF8);
  CFRelease(url);
  static const char kScheme[] = "file://";
  if (!ok || std::strncmp(text, kScheme, sizeof(kScheme) - 1)) return false;
  const char* start = text + sizeof(kScheme) - 1;
  int len = (int)std::strlen(start);
  while (len > 1 && start[len - 1] == '/')
    --len;
  path->Set(start, len);
  return true;
}
