#pragma once
// Which font file stands for a family name, through fontconfig: shared by the Linux native
// fonts and the CoreText stand-in of the macOS frameworks.
#include <string>

struct LICE_FontFile {
  std::string mPath;
  int mIndex = 0;       // face index within the file
  int mFcWeight = 80;   // fontconfig's weight of the face found (80 regular, 200 bold)
  std::string mFamily;  // the face's first family name
  std::string mPostScriptName;
};

// [any thread] The file fontconfig picks for the family (weight >= 600 asks for bold),
// with a metric-compatible stand-in when the machine lacks the family ("Arial" -> Liberation
// Sans, "Verdana" -> DejaVu Sans, ...). An empty family asks for the default face.
bool LICE_FindFontFile(const char* family, int weight, bool italic, LICE_FontFile* out);

// [any thread] The file of the face with exactly this PostScript name, if the machine has it.
bool LICE_FindFontFileByPostScriptName(const char* name, LICE_FontFile* out);
