// The native build starts nothing: the engine's launches are exercised with
// a fake in the unit tests and for real under Wine.
#include "scheduler/item_starter.h"

namespace marrowby {

namespace {

constexpr uint32_t kNotSupported = 50;  // ERROR_NOT_SUPPORTED
constexpr intptr_t kNoAssociation = 31;  // SE_ERR_NOASSOC: nothing opens the item

class UnsupportedItemStarter : public ItemStarter {
 public:
  intptr_t StartProcess(const std::string&, uint32_t* error) override {
    *error = kNotSupported;
    return 0;
  }
  void WaitForProcess(intptr_t) override {}
  void CloseProcess(intptr_t) override {}
  intptr_t ShellOpen(const std::string&) override { return kNoAssociation; }
  std::string FindProgram(const std::string&) override { return {}; }
  bool StartProgram(const std::string&, const std::string&, uint32_t* error) override {
    *error = kNotSupported;
    return false;
  }
};

}  // namespace

ItemStarter& PlatformItemStarter() {
  static UnsupportedItemStarter starter;
  return starter;
}

}  // namespace marrowby
