#include "store/prop_codec.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "core/component.h"
#include "core/errors.h"
#include "core/float_text.h"
#include "core/strings.h"
#include "core/text.h"
#include "store/profile_text.h"

namespace marrowby {

namespace {

// Value objects may hold value objects; a table that leads back to itself
// must not recurse without end.
constexpr int kMaxObjectDepth = 8;

bool KeepsEmptyText(TypeKind kind) { return kind == TypeKind::String || kind == TypeKind::WChar; }

// A line break inside a value would end the line in the profile file and
// turn the rest into a key or section of its own.
std::string OneLine(std::string s) {
  std::replace(s.begin(), s.end(), '\r', ' ');
  std::replace(s.begin(), s.end(), '\n', ' ');
  return s;
}

int FloatDigits(FloatType type) {
  switch (type) {
    case FloatType::Single: return 7;
    case FloatType::Double: return 15;
    case FloatType::Extended: return 18;
    case FloatType::Comp: return 18;
    case FloatType::Currency: return 19;
  }
  return 15;
}

std::string EncodeSet(int64_t bits, const TypeInfo* type) {
  std::string out = "[";
  const TypeInfo* members = type->compType;
  const int count = members ? std::min(members->nameCount, 32) : 0;
  bool first = true;
  for (int i = 0; i < count; ++i) {
    if ((bits >> i) & 1) {
      if (!first) out += ',';
      out += members->names[i];
      first = false;
    }
  }
  return out + "]";
}

int64_t DecodeSet(const std::string& text, const TypeInfo* type) {
  const TypeInfo* members = type->compType;
  const int count = members ? std::min(members->nameCount, 32) : 0;
  int64_t bits = 0;
  size_t i = 0;
  const auto separator = [](char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '[' || c == ']';
  };
  while (i < text.size()) {
    while (i < text.size() && separator(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !separator(text[i])) ++i;
    if (i == start) continue;
    const std::string word = text.substr(start, i - start);
    for (int m = 0; m < count; ++m) {
      if (SameText(word, members->names[m])) {
        bits |= int64_t{1} << m;
        break;
      }
    }
  }
  return bits;
}

int64_t DecodeInteger(const std::string& text, const TypeInfo* type) {
  int32_t v;
  if (TryStrToInt(text, &v)) return v;
  // Unsigned 32-bit properties are written with values beyond the signed range.
  if (type->ordType == OrdType::ULong && !text.empty() &&
      text.find_first_not_of("0123456789") == std::string::npos && text.size() <= 10) {
    uint64_t u = 0;
    for (char c : text) u = u * 10 + static_cast<uint64_t>(c - '0');
    if (u <= 0xFFFFFFFFULL) return static_cast<int64_t>(u);
  }
  return 0;
}

void StoreStrings(TCustomIniFile& ini, const std::string& section, const TStrings& list) {
  ini.EraseSection(section);
  if (list.Count() == 0) return;
  ini.WriteInteger(section, "Count", list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    ini.WriteString(section, "Item" + std::to_string(i), OneLine(list[i]));
  }
}

void LoadStrings(TCustomIniFile& ini, const std::string& section, TStrings& list) {
  int32_t count;
  if (!TryStrToInt(Trim(ini.ReadString(section, "Count", "0")), &count)) count = 0;
  if (count < 1) return;
  count = std::min(count, kMaxStoredListLines);
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(std::min(count, 4096)));
  for (int i = 0; i < count; ++i) lines.push_back(ini.ReadString(section, "Item" + std::to_string(i), ""));
  list.SetLines(std::move(lines));
}

void StoreAt(TCustomIniFile& ini, const std::string& section, const std::string& key,
             const TObject& obj, const PropInfo* prop, int depth);
void LoadAt(TCustomIniFile& ini, const std::string& section, const std::string& key, TObject& obj,
            const PropInfo* prop, int depth);

void StoreObject(TCustomIniFile& ini, const std::string& section, const std::string& key,
                 const TObject& value, int depth) {
  if (value.InheritsFrom(&TStrings::kClassInfo)) {
    StoreStrings(ini, section + "." + key, static_cast<const TStrings&>(value));
  } else if (!value.InheritsFrom(&TComponent::kClassInfo) && depth < kMaxObjectDepth) {
    for (const PropInfo* field : StorableProperties(value.GetClassInfo())) {
      StoreAt(ini, section, key + field->name, value, field, depth + 1);
    }
  }
}

void StoreAt(TCustomIniFile& ini, const std::string& section, const std::string& key,
             const TObject& obj, const PropInfo* prop, int depth) {
  const TypeKind kind = prop->type->kind;
  if (kind == TypeKind::Method) return;
  if (kind == TypeKind::Class) {
    if (const TObject* value = GetObjectProp(obj, prop)) StoreObject(ini, section, key, *value, depth);
    return;
  }
  const std::string text = EncodeProperty(obj, prop);
  if (text.empty() && !KeepsEmptyText(kind)) return;
  ini.WriteString(section, key, OneLine(text));
}

void LoadObject(TCustomIniFile& ini, const std::string& section, const std::string& key,
                TObject& value, int depth) {
  if (value.InheritsFrom(&TStrings::kClassInfo)) {
    LoadStrings(ini, section + "." + key, static_cast<TStrings&>(value));
  } else if (!value.InheritsFrom(&TComponent::kClassInfo) && depth < kMaxObjectDepth) {
    for (const PropInfo* field : StorableProperties(value.GetClassInfo())) {
      LoadAt(ini, section, key + field->name, value, field, depth + 1);
    }
  }
}

void LoadAt(TCustomIniFile& ini, const std::string& section, const std::string& key, TObject& obj,
            const PropInfo* prop, int depth) {
  try {
    const TypeKind kind = prop->type->kind;
    if (kind == TypeKind::Method) return;
    if (kind == TypeKind::Class) {
      if (TObject* value = GetObjectProp(obj, prop)) LoadObject(ini, section, key, *value, depth);
      return;
    }
    const std::string current = EncodeProperty(obj, prop);
    if (current.empty() && !KeepsEmptyText(kind)) return;
    // A key that is not there leaves the property exactly as it is (reading
    // it with the current text as default would trim or unquote a string).
    if (!ini.ValueExists(section, key)) return;
    DecodeProperty(obj, prop, Trim(ini.ReadString(section, key, current)));
  } catch (const std::exception&) {
    // A value the property refuses leaves it as it was; the restore goes on.
  }
}

}  // namespace

std::string FormatFloatGeneral(double value, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  const bool negative = value < 0;
  std::string mantissa;
  int exponent;
  ScientificDigits(value, digits, &mantissa, &exponent);
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
  std::string out = negative ? "-" : "";
  if (exponent < digits && std::fabs(value) >= 0.00001) {
    if (exponent < 0) {
      out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + mantissa;
    } else {
      const size_t intDigits = static_cast<size_t>(exponent) + 1;
      if (mantissa.size() <= intDigits) {
        out += mantissa + std::string(intDigits - mantissa.size(), '0');
      } else {
        out += mantissa.substr(0, intDigits) + "." + mantissa.substr(intDigits);
      }
    }
  } else {
    out += mantissa.substr(0, 1);
    if (mantissa.size() > 1) out += "." + mantissa.substr(1);
    out += "E" + std::to_string(exponent);
  }
  return out;
}

bool ParseFloat(const std::string& text, double* value) {
  const std::string t = Trim(text);
  const std::string upper = UpperCase(t);
  if (upper == "INF" || upper == "+INF") {
    *value = HUGE_VAL;
    return true;
  }
  if (upper == "-INF") {
    *value = -HUGE_VAL;
    return true;
  }
  if (upper == "NAN") {
    *value = std::nan("");
    return true;
  }
  return ParseDecimal(t, value);
}

std::string EncodeProperty(const TObject& obj, const PropInfo* prop) {
  const TypeInfo* type = prop->type;
  switch (type->kind) {
    case TypeKind::Integer:
      return std::to_string(GetOrdProp(obj, prop));
    case TypeKind::Char: {
      const int64_t v = GetOrdProp(obj, prop);
      return v == 0 ? std::string() : std::string(1, static_cast<char>(v));
    }
    case TypeKind::WChar: {
      const int64_t v = GetOrdProp(obj, prop);
      return v == 0 ? std::string() : std::string(1, UnicodeToAnsiChar(static_cast<uint32_t>(v)));
    }
    case TypeKind::Enumeration: {
      const int64_t v = GetOrdProp(obj, prop);
      return v >= 0 && v < type->nameCount ? type->names[v] : std::string();
    }
    case TypeKind::Set:
      return EncodeSet(GetOrdProp(obj, prop), type);
    case TypeKind::String:
      return Trim(GetStrProp(obj, prop));
    case TypeKind::Variant:
      return GetStrProp(obj, prop);
    case TypeKind::Float:
      return FormatFloatGeneral(GetFloatProp(obj, prop), FloatDigits(type->floatType));
    case TypeKind::Class:
    case TypeKind::Method:
      return std::string();
  }
  return std::string();
}

void DecodeProperty(TObject& obj, const PropInfo* prop, const std::string& text) {
  const TypeInfo* type = prop->type;
  switch (type->kind) {
    case TypeKind::Integer:
      SetOrdProp(obj, prop, DecodeInteger(text, type));
      return;
    case TypeKind::Char:
      if (!text.empty()) SetOrdProp(obj, prop, static_cast<unsigned char>(text[0]));
      return;
    case TypeKind::WChar:
      if (!text.empty()) SetOrdProp(obj, prop, AnsiCharToUnicode(static_cast<unsigned char>(text[0])));
      return;
    case TypeKind::Enumeration:
      for (int i = 0; i < type->nameCount; ++i) {
        if (SameText(text, type->names[i])) {
          SetOrdProp(obj, prop, i);
          return;
        }
      }
      return;
    case TypeKind::Set:
      SetOrdProp(obj, prop, DecodeSet(text, type));
      return;
    case TypeKind::String:
    case TypeKind::Variant:
      SetStrProp(obj, prop, text);
      return;
    case TypeKind::Float: {
      double v;
      if (!ParseFloat(text, &v)) {
        throw EConvertError(FormatMessage("'%s' is not a valid floating point value", {text}));
      }
      SetFloatProp(obj, prop, v);
      return;
    }
    case TypeKind::Class:
    case TypeKind::Method:
      return;
  }
}

std::vector<const PropInfo*> StorableProperties(const ClassInfo* cls) {
  // The tables are static: sort each class's list once (on the one
  // user-interface thread, so without a lock).
  static std::unordered_map<const ClassInfo*, std::vector<const PropInfo*>> cache;
  auto it = cache.find(cls);
  if (it != cache.end()) return it->second;
  std::vector<const PropInfo*> out;
  for (const PropInfo* p : GetPropList(cls)) {
    switch (p->type->kind) {
      case TypeKind::Method:
        break;
      case TypeKind::Class:
        if (p->getObject) out.push_back(p);
        break;
      case TypeKind::String:
      case TypeKind::Variant:
        if (p->getStr && p->setStr) out.push_back(p);
        break;
      case TypeKind::Float:
        if (p->getFloat && p->setFloat) out.push_back(p);
        break;
      default:
        if (p->getOrd && p->setOrd) out.push_back(p);
        break;
    }
  }
  std::stable_sort(out.begin(), out.end(), [](const PropInfo* a, const PropInfo* b) {
    return CompareText(a->name, b->name) < 0;
  });
  cache.emplace(cls, out);
  return out;
}

void StoreProperty(TCustomIniFile& ini, const std::string& section, const std::string& key,
                   const TObject& obj, const PropInfo* prop) {
  StoreAt(ini, section, key, obj, prop, 0);
}

void LoadProperty(TCustomIniFile& ini, const std::string& section, const std::string& key,
                  TObject& obj, const PropInfo* prop) {
  LoadAt(ini, section, key, obj, prop, 0);
}

}  // namespace marrowby
