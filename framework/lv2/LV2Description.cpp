#include "LV2Description.h"

#include "IPlugLV2.h"
#include "LV2UI.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
const char* const kPartFiles[kLV2NumParts] = {"manifest.ttl", "Corvanel.ttl", "presets.ttl"};

const char* const kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
    "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n\n";

// A Turtle string literal.
std::string Quoted(const char* text) {
  std::string out = "\"";
  for (const char* c = text; *c; ++c) {
    if (*c == '"' || *c == '\\') out += '\\';
    out += *c;
  }
  return out + "\"";
}

// A port value as a Turtle decimal that reads back exactly ("9.0", "0.25").
std::string Number(double v) {
  char buf[64];
  if (v == std::floor(v) && std::fabs(v) < 1e15)
    std::snprintf(buf, sizeof(buf), "%.1f", v);
  else
    std::snprintf(buf, sizeof(buf), "%.17g", v);
  return buf;
}

// A port symbol from a parameter's name: lower case, words joined by '_'.
std::string Symbol(const char* name) {
  std::string s;
  for (const char* c = name; *c; ++c) {
    const char ch = *c;
    if ((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9' && !s.empty()))
      s += ch;
    else if (ch >= 'A' && ch <= 'Z')
      s += (char)(ch - 'A' + 'a');
    else if (!s.empty() && s.back() != '_')
      s += '_';
  }
  while (!s.empty() && s.back() == '_')
    s.pop_back();
  return s.empty() ? "param" : s;
}

// A preset's URI fragment: the name with every character outside [A-Za-z0-9] as '_'.
std::string PresetURI(const IPlugLV2Identity* id, const char* name) {
  std::string s = id->mPresetBase;
  for (const char* c = name; *c; ++c) {
    const char ch = *c;
    const bool plain = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
    s += plain ? ch : '_';
  }
  return s;
}

std::string Base64(const unsigned char* data, int size) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (int i = 0; i < size; i += 3) {
    const unsigned v = (unsigned)data[i] << 16 | (i + 1 < size ? (unsigned)data[i + 1] << 8 : 0u) |
                       (i + 2 < size ? (unsigned)data[i + 2] : 0u);
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += i + 1 < size ? kDigits[(v >> 6) & 63] : '=';
    out += i + 2 < size ? kDigits[v & 63] : '=';
  }
  return out;
}

// The unit of a parameter's label, rendered as the VST2 display shows the value and label
// ("5%", "1000Hz"). Hosts print the value as a double through units:render.
std::string Unit(const IParam* param) {
  const char* label = param->GetLabel();
  const char* name = !std::strcmp(label, "%") ? "percent" : !std::strcmp(label, "Hz") ? "hertz" : "";
  if (!name[0]) return "";
  char render[64];
  std::snprintf(render, sizeof(render), "%%.%df%s", param->GetDisplayPrecision(),
                !std::strcmp(label, "%") ? "%%" : label);
  return std::string("units:unit [ a units:Unit ; rdfs:label \"") + name + "\" ; units:symbol " +
         Quoted(label) + " ; units:render " + Quoted(render) + " ]";
}

// The presets that really exist: every slot the plug-in filled with values, loaded.
template <class F> void ForEachPreset(IPlugLV2* plug, F f) {
  for (int i = 0; i < plug->NPresets(); ++i) {
    const char* name = plug->GetPresetName(i);
    if (!name[0] || !plug->HasPresetValues(i) || !plug->LoadPreset(i)) continue;
    f(i, name);
  }
}

std::string Manifest(IPlugLV2* plug) {
  const IPlugLV2Identity* id = plug->Identity();
  std::string t = kPrefixes;
  t += "<" + std::string(id->mPluginURI) + ">\n  a lv2:Plugin ;\n  lv2:binary <" + id->mBinary +
       "> ;\n  rdfs:seeAlso <" + kPartFiles[kLV2PartPlugin] + "> .\n";
  if (kLV2EditorWindows)
    t += "\n<" + std::string(id->mUIURI) + ">\n  a ui:X11UI ;\n  ui:binary <" + id->mBinary +
         "> ;\n  rdfs:seeAlso <" + kPartFiles[kLV2PartPlugin] + "> .\n";
  ForEachPreset(plug, [&](int, const char* name) {
    t += "\n<" + PresetURI(id, name) + ">\n  a pset:Preset ;\n  lv2:appliesTo <" + id->mPluginURI +
         "> ;\n  rdfs:seeAlso <" + kPartFiles[kLV2PartPresets] + "> .\n";
  });
  return t;
}

std::string PluginText(IPlugLV2* plug) {
  const IPlugLV2Identity* id = plug->Identity();
  char version[64];
  const int v = plug->GetEffectVersion(true); // major·10000 + minor·100 + patch
  std::snprintf(version, sizeof(version), "  lv2:minorVersion %d ;\n  lv2:microVersion %d ;\n",
                v / 100 % 100, v % 100);
  std::string t = kPrefixes;
  t += "<" + std::string(id->mPluginURI) + ">\n  a lv2:Plugin , lv2:GatePlugin ;\n";
  t += "  doap:name " + Quoted(plug->GetEffectName()) + " ;\n";
  t += "  lv2:project <" + std::string(id->mProjectPage) + "> ;\n";
  t += version;
  t += "  lv2:optionalFeature urid:map , opts:options ;\n";
  t += "  opts:supportedOption bufsz:maxBlockLength , bufsz:nominalBlockLength ;\n";
  t += "  lv2:extensionData state:interface ;\n";
  if (kLV2EditorWindows) t += "  ui:ui <" + std::string(id->mUIURI) + "> ;\n";
  t += "  lv2:port";
  int index = 0;
  auto separator = [&]() { t += index == 0 ? " [\n" : " , [\n"; };
  for (int c = 0; c < plug->NInChannels() + plug->NOutChannels(); ++c) {
    const bool input = c < plug->NInChannels();
    const int n = input ? c + 1 : c - plug->NInChannels() + 1;
    char line[256];
    std::snprintf(line, sizeof(line),
                  "    a lv2:AudioPort , lv2:%s ;\n    lv2:index %d ;\n    lv2:symbol \"%s_%d\" ;\n"
                  "    lv2:name \"%s %d\"\n  ]",
                  input ? "InputPort" : "OutputPort", index, input ? "in" : "out", n,
                  input ? "Input" : "Output", n);
    separator();
    t += line;
    ++index;
  }
  for (int k = 0; k < plug->NControlPorts(); ++k) {
    const IParam* p = plug->GetParam(plug->PortParam(k));
    separator();
    t += "    a lv2:InputPort , lv2:ControlPort ;\n    lv2:index " + std::to_string(index) + " ;\n";
    t += "    lv2:symbol " + Quoted(Symbol(p->GetName()).c_str()) + " ;\n";
    t += "    lv2:name " + Quoted(p->GetName()) + " ;\n";
    t += "    lv2:default " + Number(p->Value()) + " ;\n";
    t += "    lv2:minimum " + Number(p->GetMin()) + " ;\n";
    t += "    lv2:maximum " + Number(p->GetMax());
    if (p->IsIntegerKind()) t += " ;\n    lv2:portProperty lv2:integer";
    if (p->DisplayTextCount() > 0) {
      t += " , lv2:enumeration ;\n    lv2:scalePoint";
      for (int s = 0; s < p->DisplayTextCount(); ++s) {
        int value = 0;
        const char* text = p->GetDisplayTextAt(s, &value);
        t += (s ? " , [ rdfs:label " : " [ rdfs:label ") + Quoted(text) + " ; rdf:value " +
             Number(value) + " ]";
      }
    }
    const std::string unit = Unit(p);
    if (!unit.empty()) t += " ;\n    " + unit;
    t += "\n  ]";
    ++index;
  }
  separator();
  t += "    a lv2:InputPort , atom:AtomPort ;\n    atom:bufferType atom:Sequence ;\n"
       "    atom:supports time:Position ;\n    lv2:designation lv2:control ;\n"
       "    lv2:portProperty lv2:connectionOptional ;\n    lv2:index " + std::to_string(index) +
       " ;\n    lv2:symbol \"control\" ;\n    lv2:name \"Control\"\n  ]";
  ++index;
  separator();
  t += "    a lv2:OutputPort , atom:AtomPort ;\n    atom:bufferType atom:Sequence ;\n"
       "    lv2:designation lv2:control ;\n    lv2:portProperty lv2:connectionOptional ;\n"
       "    lv2:index " + std::to_string(index) + " ;\n    lv2:symbol \"notify\" ;\n"
       "    lv2:name \"Notify\"\n  ] .\n";
  // The editor: it works on the plug-in instance and lives in the host's X11 window.
  if (kLV2EditorWindows)
    t += "\n<" + std::string(id->mUIURI) + ">\n  a ui:X11UI ;\n"
         "  lv2:requiredFeature ui:idleInterface , ui:parent , "
         "<http://lv2plug.in/ns/ext/instance-access> ;\n"
         "  lv2:optionalFeature ui:resize , ui:touch , urid:map , opts:options ;\n"
         "  opts:supportedOption ui:scaleFactor ;\n"
         "  lv2:extensionData ui:idleInterface .\n";
  // The project, and the state property that presets and sessions hold.
  t += "\n<" + std::string(id->mProjectPage) + ">\n  a doap:Project ;\n  doap:name " +
       Quoted(plug->GetEffectName()) + " ;\n  doap:homepage <" + id->mProjectPage +
       "> ;\n  doap:maintainer [ a foaf:Organization ; foaf:name " + Quoted(plug->GetMfrName()) +
       " ; foaf:homepage <" + id->mHomepage + "> ] .\n";
  t += "\n<" + std::string(id->mStateURI) + ">\n  a rdf:Property ;\n  rdfs:label \"state\" ;\n"
       "  rdfs:comment \"Every saved value of the plug-in, the pattern included, as one block.\" ;\n"
       "  rdfs:range xsd:base64Binary .\n";
  return t;
}

std::string Presets(IPlugLV2* plug) {
  const IPlugLV2Identity* id = plug->Identity();
  std::string t = kPrefixes;
  ForEachPreset(plug, [&](int, const char* name) {
    t += "<" + PresetURI(id, name) + ">\n  a pset:Preset ;\n  lv2:appliesTo <" + id->mPluginURI +
         "> ;\n  rdfs:label " + Quoted(name) + " ;\n  lv2:port";
    for (int k = 0; k < plug->NControlPorts(); ++k) {
      const IParam* p = plug->GetParam(plug->PortParam(k));
      t += (k ? " , [ lv2:symbol " : " [ lv2:symbol ") + Quoted(Symbol(p->GetName()).c_str()) +
           " ; pset:value " + Number(p->Value()) + " ]";
    }
    ChunkBuffer chunk;
    plug->SaveState(&chunk);
    t += " ;\n  state:state [ <" + std::string(id->mStateURI) + "> \"" +
         Base64(chunk.GetBytes(), chunk.Size()) + "\"^^xsd:base64Binary ] .\n\n";
  });
  return t;
}

const char* FileName(int part) { return part >= 0 && part < kLV2NumParts ? kPartFiles[part] : nullptr; }

bool Describe(void* instance, int part, void (*sink)(void*, const char*), void* context) {
  if (!instance || !sink || part < 0 || part >= kLV2NumParts) return false;
  const std::string text = DescribeLV2Part((IPlugLV2*)instance, part);
  sink(context, text.c_str());
  return true;
}
} // namespace

std::string DescribeLV2Part(IPlugLV2* plug, int part) {
  WDL_MutexLock lock(&plug->mMutex);
  switch (part) {
  case kLV2PartManifest: return Manifest(plug);
  case kLV2PartPlugin: return PluginText(plug);
  case kLV2PartPresets: return Presets(plug);
  default: return "";
  }
}

const CorvanelLV2Describe& LV2DescribeInterface() {
  static const CorvanelLV2Describe describe = {FileName, Describe};
  return describe;
}
