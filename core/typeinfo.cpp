#include "core/typeinfo.h"

#include "core/errors.h"
#include "core/text.h"

namespace marrowby {

namespace {
const char* const kBooleanNames[] = {"False", "True"};
}

const TypeInfo kBooleanType = EnumTypeInfo("Boolean", kBooleanNames);
const TypeInfo kIntegerType = OrdinalTypeInfo("Integer", OrdType::SLong, INT32_MIN, INT32_MAX);
const TypeInfo kByteType = OrdinalTypeInfo("Byte", OrdType::UByte, 0, 255);
const TypeInfo kWordType = OrdinalTypeInfo("Word", OrdType::UWord, 0, 65535);
const TypeInfo kCharType = {TypeKind::Char, "Char", OrdType::UByte, 0, 255, nullptr, 0,
                            nullptr, FloatType::Double, nullptr};
const TypeInfo kStringType = SimpleTypeInfo(TypeKind::String, "string");
const TypeInfo kDoubleType = FloatTypeInfo("Double", FloatType::Double);
const TypeInfo kVariantType = SimpleTypeInfo(TypeKind::Variant, "Variant");
const TypeInfo kNotifyEventType = SimpleTypeInfo(TypeKind::Method, "TNotifyEvent");

bool ClassInfo::InheritsFrom(const ClassInfo* other) const {
  for (const ClassInfo* c = this; c; c = c->parent) {
    if (c == other) return true;
  }
  return false;
}

std::vector<const PropInfo*> GetPropList(const ClassInfo* cls) {
  std::vector<const ClassInfo*> chain;
  for (const ClassInfo* c = cls; c; c = c->parent) chain.push_back(c);
  std::vector<const PropInfo*> out;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    for (size_t i = 0; i < (*it)->propCount; ++i) out.push_back(&(*it)->props[i]);
  }
  return out;
}

const PropInfo* FindPropInfo(const ClassInfo* cls, const std::string& name) {
  for (const ClassInfo* c = cls; c; c = c->parent) {
    for (size_t i = 0; i < c->propCount; ++i) {
      if (SameText(c->props[i].name, name)) return &c->props[i];
    }
  }
  return nullptr;
}

int64_t TruncateOrdinal(OrdType ord, int64_t value) {
  switch (ord) {
    case OrdType::SByte: return static_cast<int8_t>(value);
    case OrdType::UByte: return static_cast<uint8_t>(value);
    case OrdType::SWord: return static_cast<int16_t>(value);
    case OrdType::UWord: return static_cast<uint16_t>(value);
    case OrdType::SLong: return static_cast<int32_t>(value);
    case OrdType::ULong: return static_cast<uint32_t>(value);
  }
  return value;
}

int64_t GetOrdProp(const TObject& obj, const PropInfo* prop) {
  return prop->getOrd ? prop->getOrd(obj) : 0;
}

void SetOrdProp(TObject& obj, const PropInfo* prop, int64_t value) {
  if (prop->setOrd) prop->setOrd(obj, TruncateOrdinal(prop->type->ordType, value));
}

std::string GetStrProp(const TObject& obj, const PropInfo* prop) {
  return prop->getStr ? prop->getStr(obj) : std::string();
}

void SetStrProp(TObject& obj, const PropInfo* prop, const std::string& value) {
  if (prop->setStr) prop->setStr(obj, value);
}

double GetFloatProp(const TObject& obj, const PropInfo* prop) {
  return prop->getFloat ? prop->getFloat(obj) : 0.0;
}

void SetFloatProp(TObject& obj, const PropInfo* prop, double value) {
  if (prop->setFloat) prop->setFloat(obj, value);
}

TObject* GetObjectProp(const TObject& obj, const PropInfo* prop) {
  return prop->getObject ? prop->getObject(obj) : nullptr;
}

}  // namespace marrowby
