#pragma once
// The skin images built into the plug-in binary (generated from resources/img when
// the plug-in is built), found by their resource id.

struct SkinImage {
  int mId;
  const char* mFileName; // the image's file name in resources/img
  const unsigned char* mData;
  int mSize;
};

// [any thread] The image with this id, or null when the build has none.
const SkinImage* FindSkinImage(int id);
