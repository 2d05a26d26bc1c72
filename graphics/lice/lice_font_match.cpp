#include "lice_font_match.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

namespace {

// Metric-compatible stand-ins for the usual Windows and Mac families, for systems whose
// fontconfig does not already map them.
const char* const kSubstitutes[][2] = {
    {"Arial", "Liberation Sans"},
    {"Helvetica", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Times", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"Courier", "Liberation Mono"},
    {"Verdana", "DejaVu Sans"},
    {"Tahoma", "DejaVu Sans"},
    {"Lucida Grande", "DejaVu Sans"},
    {"Segoe UI", "DejaVu Sans"},
};

bool SameFamily(FcPattern* match, const char* want) {
  FcChar8* fam = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &fam) == FcResultMatch; ++i)
    if (strcasecmp((const char*)fam, want) == 0) return true;
  return false;
}

FcPattern* Match(const char* family, int weight, bool italic) {
  FcPattern* pat = FcPatternCreate();
  if (!pat) return nullptr;
  if (family && *family) FcPatternAddString(pat, FC_FAMILY, (const FcChar8*)family);
  FcPatternAddInteger(pat, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult res = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pat, &res);
  FcPatternDestroy(pat);
  return match;
}

// Fills out from a pattern fontconfig answered, and destroys the pattern.
bool Take(FcPattern* match, LICE_FontFile* out) {
  if (!match) return false;
  FcChar8* file = nullptr;
  const bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
  if (found) {
    out->mPath = (const char*)file;
    out->mIndex = 0;
    FcPatternGetInteger(match, FC_INDEX, 0, &out->mIndex);
    out->mFcWeight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(match, FC_WEIGHT, 0, &out->mFcWeight);
    FcChar8* text = nullptr;
    out->mFamily = FcPatternGetString(match, FC_FAMILY, 0, &text) == FcResultMatch
                       ? (const char*)text
                       : "";
    out->mPostScriptName =
        FcPatternGetString(match, FC_POSTSCRIPT_NAME, 0, &text) == FcResultMatch
            ? (const char*)text
            : "";
  }
  FcPatternDestroy(match);
  return found;
}

} // namespace

bool LICE_FindFontFile(const char* face, int weight, bool italic, LICE_FontFile* out) {
  FcPattern* match = Match(face, weight, italic);
  if (match && face && *face && !SameFamily(match, face)) {
    for (const auto& sub : kSubstitutes) {
      if (strcasecmp(sub[0], face) != 0) continue;
      FcPattern* alt = Match(sub[1], weight, italic);
      if (alt && SameFamily(alt, sub[1])) {
        FcPatternDestroy(match);
        return Take(alt, out);
      }
      if (alt) FcPatternDestroy(alt);
      break;
    }
  }
  return Take(match, out);
}

bool LICE_FindFontFileByPostScriptName(const char* name, LICE_FontFile* out) {
  if (!name || !*name) return false;
  FcPattern* pat = FcPatternCreate();
  if (!pat) return false;
  FcPatternAddString(pat, FC_POSTSCRIPT_NAME, (const FcChar8*)name);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcObjectSet* props = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_WEIGHT, FC_FAMILY,
                                        FC_POSTSCRIPT_NAME, (char*)nullptr);
  FcFontSet* set = props ? FcFontList(nullptr, pat, props) : nullptr;
  bool found = false;
  if (set && set->nfont > 0) found = Take(FcPatternDuplicate(set->fonts[0]), out);
  if (set) FcFontSetDestroy(set);
  if (props) FcObjectSetDestroy(props);
  FcPatternDestroy(pat);
  return found;
}
