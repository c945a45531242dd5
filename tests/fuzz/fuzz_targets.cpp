#include "tests/fuzz/fuzz_targets.h"

#include <cstdio>
#include <string>
#include <vector>

#include "core/strings.h"
#include "store/form_storage.h"
#include "store/prop_codec.h"
#include "store/profile_file.h"
#include "store/profile_text.h"
#include "tests/support/fake_placement_port.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_store_platform.h"
#include "tests/support/store_test_form.h"

namespace marrowby::fuzz {

namespace {

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (c == sep) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

// The model after the operations must be what parsing its own bytes gives:
// the same write applied to both must give the same file.
bool SameAsReparsed(const ProfileFile& f) {
  ProfileFile model = f;
  ProfileFile reparsed(f.Bytes());
  model.WriteString("\x7f fuzz", "k", "v");
  reparsed.WriteString("\x7f fuzz", "k", "v");
  return model.Bytes() == reparsed.Bytes();
}

}  // namespace

bool FuzzProfile(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  ProfileFile f(input.substr(0, nul));
  if (!SameAsReparsed(f)) return false;
  if (nul == std::string::npos) return true;
  std::vector<std::string> records = Split(input.substr(nul + 1), '\0');
  if (records.size() > 64) records.resize(64);
  for (const std::string& r : records) {
    if (r.empty()) continue;
    std::vector<std::string> fields = Split(r.substr(1), '\x01');
    fields.resize(3);
    const std::string &section = fields[0], &key = fields[1], &value = fields[2];
    switch (static_cast<unsigned char>(r[0]) % 5) {
      case 0: f.WriteString(section, key, value); break;
      case 1: f.DeleteKey(section, key); break;
      case 2: f.EraseSection(section); break;
      case 3: {
        const std::string got = f.GetString(section, key, value);
        if (got.size() >= ProfileFile::kReadBuffer) return false;
        if (got != ProfileFile(f.Bytes()).GetString(section, key, value)) return false;
        break;
      }
      default:
        if (f.HasValue(section, key) != ProfileFile(f.Bytes()).HasValue(section, key)) return false;
        break;
    }
    if (!SameAsReparsed(f)) return false;
  }
  return true;
}

namespace {

using testing::TTestListBox;

class FuzzForm : public TComponent, public WindowHost {
 public:
  FuzzForm() : TComponent(nullptr) {
    SetName("MainForm");
    BeginLoading();
    slot = new TLauncher(this);
    slot->SetName("Launcher1");
    slot->SetEnabled(false);
    list = new TTestListBox(this, "ListBox1");
    store = new TFormStorage(this);
    store->SetActive(false);
    store->SetOptions({fpState, fpPosition, fpActiveControl});
    TStringList props;
    props.SetLines({"Launcher1.Checks", "Launcher1.CommandLine", "Launcher1.Date", "Launcher1.Enabled",
                    "Launcher1.MonthDay", "Launcher1.Tag", "Launcher1.Time", "Launcher1.WeekDay",
                    "ListBox1.Items", "ListBox1.Tag"});
    store->SetStoredProps(&props);
    EndLoading();
  }
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  NativeWindow WindowHandle() override { return testing::FakePlacementPort::HandleOf(this); }

  // What the store keeps, as text; long texts that the 1,023-character read
  // buffer may cut differently on a second pass are left out.
  std::string Snapshot() const {
    std::string out;
    for (const PropInfo* p : StorableProperties(slot->GetClassInfo())) {
      if (p->type->kind == TypeKind::Class) {
        const TObject* o = GetObjectProp(*slot, p);
        for (const PropInfo* q : StorableProperties(o->GetClassInfo())) out += EncodeProperty(*o, q) + ";";
      } else if (p->type->kind != TypeKind::String || slot->CommandLine().size() < 1000) {
        out += EncodeProperty(*slot, p) + ";";
      }
    }
    // A line cut at a NUL in the file may end in blanks, which no profile
    // line keeps: compare lines as the profile reader would give them back.
    for (const std::string& line : list->Items()->Lines()) {
      out += (line.size() < 1000 ? TrimProfile(line) : "") + "|";
    }
    return out + std::to_string(list->Tag());
  }

  TLauncher* slot;
  TTestListBox* list;
  TFormStorage* store;
};

const ClassInfo FuzzForm::kClassInfo = {"TMainForm", &TComponent::kClassInfo, nullptr, 0};

}  // namespace

bool FuzzRestore(const uint8_t* data, size_t size) {
  static testing::FakePlatform platform;
  testing::FakeStorePlatform store;
  testing::FakePlacementPort windows;
  const std::string file = "C:\\WINDOWS\\schedmgr.INI";
  store.fs.files[file] = std::string(reinterpret_cast<const char*>(data), size);
  FuzzForm first;
  windows.windows[first.WindowHandle()];
  first.store->RestoreStoredProps();
  // A huge stored list is slow to write back; the restore was the point.
  if (first.list->Items()->Count() > 5000) return true;
  const std::string a = first.Snapshot();
  store.fs.files.clear();
  first.store->SaveStoredProps();
  FuzzForm second;
  windows.windows[second.WindowHandle()];
  second.store->RestoreStoredProps();
  if (second.Snapshot() != a) fprintf(stderr, "A=%s\nB=%s\n", a.c_str(), second.Snapshot().c_str());
  return second.Snapshot() == a;
}

}  // namespace marrowby::fuzz
