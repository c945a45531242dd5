#include "core/object.h"

#include "core/errors.h"
#include "core/typeinfo.h"

namespace marrowby {

const ClassInfo TObject::kClassInfo = {"TObject", nullptr, nullptr, 0};
const ClassInfo TPersistent::kClassInfo = {"TPersistent", &TObject::kClassInfo, nullptr, 0};

std::string TObject::ClassName() const { return GetClassInfo()->name; }

bool TObject::InheritsFrom(const ClassInfo* cls) const { return GetClassInfo()->InheritsFrom(cls); }

void TPersistent::Assign(const TPersistent* source) {
  if (source) {
    source->AssignTo(this);
  } else {
    throw EConvertError(FormatMessage(msg::kAssignError, {"nil", ClassName()}));
  }
}

void TPersistent::AssignTo(TPersistent* dest) const {
  throw EConvertError(FormatMessage(msg::kAssignError, {ClassName(), dest->ClassName()}));
}

}  // namespace marrowby
