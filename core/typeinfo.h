// Property tables: each class describes its published properties once, in a
// static table (name, kind, member names, range, declared default, accessors).
// The settings store works only from these tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "core/object.h"
#include "core/set.h"

namespace marrowby {

enum class TypeKind {
  Integer,      // ordinal with a numeric range
  Char,         // one 8-bit character
  WChar,        // one 16-bit character
  Enumeration,  // identifiers; Boolean is the enumeration False, True
  Float,
  String,
  Set,          // set of an enumeration; ordinals 0..31
  Class,        // an object held by the property (value object, string list, component)
  Method,       // an event; never stored
  Variant,      // held as its text form
};

// Storage width of an ordinal property; writes keep only these bits.
enum class OrdType { SByte, UByte, SWord, UWord, SLong, ULong };

enum class FloatType { Single, Double, Extended, Comp, Currency };

struct ClassInfo;

struct TypeInfo {
  TypeKind kind;
  const char* name;
  OrdType ordType;
  int64_t minValue;
  int64_t maxValue;
  const char* const* names;  // enumeration identifiers in ordinal order
  int nameCount;
  const TypeInfo* compType;  // set: the enumeration of its members
  FloatType floatType;
  const ClassInfo* classType;  // class kind: the declared class
};

constexpr TypeInfo OrdinalTypeInfo(const char* name, OrdType ord, int64_t min, int64_t max) {
  return {TypeKind::Integer, name, ord, min, max, nullptr, 0, nullptr, FloatType::Double, nullptr};
}
template <size_t N>
constexpr TypeInfo EnumTypeInfo(const char* name, const char* const (&names)[N]) {
  return {TypeKind::Enumeration, name, OrdType::UByte, 0, static_cast<int64_t>(N) - 1,
          names, static_cast<int>(N), nullptr, FloatType::Double, nullptr};
}
constexpr TypeInfo SetTypeInfo(const char* name, const TypeInfo* members, OrdType ord) {
  return {TypeKind::Set, name, ord, 0, 0, nullptr, 0, members, FloatType::Double, nullptr};
}
constexpr TypeInfo SimpleTypeInfo(TypeKind kind, const char* name) {
  return {kind, name, OrdType::SLong, 0, 0, nullptr, 0, nullptr, FloatType::Double, nullptr};
}
constexpr TypeInfo FloatTypeInfo(const char* name, FloatType ft) {
  return {TypeKind::Float, name, OrdType::SLong, 0, 0, nullptr, 0, nullptr, ft, nullptr};
}
constexpr TypeInfo ClassTypeInfo(const char* name, const ClassInfo* cls) {
  return {TypeKind::Class, name, OrdType::SLong, 0, 0, nullptr, 0, nullptr, FloatType::Double, cls};
}

// Standard types.
extern const TypeInfo kBooleanType;   // False, True
extern const TypeInfo kIntegerType;   // 32-bit signed
extern const TypeInfo kByteType;      // 0..255
extern const TypeInfo kWordType;      // 0..65535
extern const TypeInfo kCharType;
extern const TypeInfo kStringType;
extern const TypeInfo kDoubleType;
extern const TypeInfo kVariantType;
extern const TypeInfo kNotifyEventType;

struct PropInfo {
  const char* name;
  const TypeInfo* type;
  // Accessors by kind; absent ones are null (a null setter: read-only).
  int64_t (*getOrd)(const TObject&);  // Integer, Char, WChar, Enumeration, Set
  void (*setOrd)(TObject&, int64_t);
  std::string (*getStr)(const TObject&);  // String, Variant
  void (*setStr)(TObject&, const std::string&);
  double (*getFloat)(const TObject&);  // Float
  void (*setFloat)(TObject&, double);
  TObject* (*getObject)(const TObject&);  // Class
  bool hasDefault;
  int64_t defaultValue;  // declared default of an ordinal property
};

struct ClassInfo {
  const char* name;
  const ClassInfo* parent;
  const PropInfo* props;  // this class's own published properties, in declaration order
  size_t propCount;

  bool InheritsFrom(const ClassInfo* other) const;
};

// All published properties of a class, inherited ones first, in declaration order.
std::vector<const PropInfo*> GetPropList(const ClassInfo* cls);
// The published property of that name (case-insensitive), or null.
const PropInfo* FindPropInfo(const ClassInfo* cls, const std::string& name);

// Generic access through a table entry. SetOrdProp keeps only the bits of the
// property's storage width, as a write into a field of that width would.
int64_t GetOrdProp(const TObject& obj, const PropInfo* prop);
void SetOrdProp(TObject& obj, const PropInfo* prop, int64_t value);
std::string GetStrProp(const TObject& obj, const PropInfo* prop);
void SetStrProp(TObject& obj, const PropInfo* prop, const std::string& value);
double GetFloatProp(const TObject& obj, const PropInfo* prop);
void SetFloatProp(TObject& obj, const PropInfo* prop, double value);
TObject* GetObjectProp(const TObject& obj, const PropInfo* prop);

// Keeps only the bits of a storage width (sign-extending the signed widths).
int64_t TruncateOrdinal(OrdType ord, int64_t value);

// ---- Building table entries from member functions ------------------------

namespace detail {
template <class T>
struct SetterArg;
template <class C, class A>
struct SetterArg<void (C::*)(A)> {
  using type = std::decay_t<A>;
};
template <class T>
struct IsSet : std::false_type {};
template <class E>
struct IsSet<Set<E>> : std::true_type {};

template <class T>
int64_t ToOrd(const T& v) {
  if constexpr (IsSet<T>::value) {
    return static_cast<int64_t>(v.Bits());
  } else {
    return static_cast<int64_t>(v);
  }
}
template <class T>
T FromOrd(int64_t v) {
  if constexpr (IsSet<T>::value) {
    return T::FromBits(static_cast<uint32_t>(v));
  } else {
    return static_cast<T>(v);
  }
}
}  // namespace detail

// An ordinal property (integer, enumeration, Boolean, set, character).
template <class C, auto Getter, auto Setter>
constexpr PropInfo OrdProp(const char* name, const TypeInfo* type, bool hasDefault = false,
                           int64_t defaultValue = 0) {
  PropInfo p{name, type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
             hasDefault, defaultValue};
  p.getOrd = [](const TObject& o) -> int64_t {
    return detail::ToOrd((static_cast<const C&>(o).*Getter)());
  };
  if constexpr (!std::is_same_v<decltype(Setter), std::nullptr_t>) {
    p.setOrd = [](TObject& o, int64_t v) {
      using A = typename detail::SetterArg<decltype(Setter)>::type;
      (static_cast<C&>(o).*Setter)(detail::FromOrd<A>(v));
    };
  }
  return p;
}

// A string property (also a variant held as text).
template <class C, auto Getter, auto Setter>
constexpr PropInfo StrProp(const char* name, const TypeInfo* type = &kStringType) {
  PropInfo p{name, type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false, 0};
  p.getStr = [](const TObject& o) -> std::string {
    return std::string((static_cast<const C&>(o).*Getter)());
  };
  if constexpr (!std::is_same_v<decltype(Setter), std::nullptr_t>) {
    p.setStr = [](TObject& o, const std::string& v) { (static_cast<C&>(o).*Setter)(v); };
  }
  return p;
}

template <class C, auto Getter, auto Setter>
constexpr PropInfo FloatProp(const char* name, const TypeInfo* type = &kDoubleType) {
  PropInfo p{name, type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false, 0};
  p.getFloat = [](const TObject& o) -> double {
    return static_cast<double>((static_cast<const C&>(o).*Getter)());
  };
  if constexpr (!std::is_same_v<decltype(Setter), std::nullptr_t>) {
    p.setFloat = [](TObject& o, double v) {
      using A = typename detail::SetterArg<decltype(Setter)>::type;
      (static_cast<C&>(o).*Setter)(static_cast<A>(v));
    };
  }
  return p;
}

// An object property: the object the class holds (never exchanged through the table).
template <class C, auto Getter>
constexpr PropInfo ObjectProp(const char* name, const TypeInfo* type) {
  PropInfo p{name, type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false, 0};
  p.getObject = [](const TObject& o) -> TObject* {
    return (static_cast<const C&>(o).*Getter)();
  };
  return p;
}

// An event: listed so that the table is complete; it has no accessors.
constexpr PropInfo EventProp(const char* name, const TypeInfo* type = &kNotifyEventType) {
  return PropInfo{name, type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false, 0};
}

}  // namespace marrowby
