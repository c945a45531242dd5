// Saving and restoring the four stores of the main window (100 slots in four
// stores of 25, the description and launch-state lists) with our profile
// layer (one read and one write of the file per store), beside the same keys
// written and read through WritePrivateProfileStringA and
// GetPrivateProfileStringA one call per key, in one run. Both start from no
// file, as the first exit of a fresh installation does.
//
//   store_bench [repetitions of ours]     (default 20)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "store/form_storage.h"
#include "store/prop_codec.h"
#include "tests/support/forwarding_store_platform.h"
#include "tests/support/store_test_form.h"

using namespace marrowby;
using testing::TTestMainForm;

namespace {

double NowMs() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

// The platform's profile functions, one call per key. A key's existence and
// its value come from one call, with a default no value can have.
class ProfileApiIniFile : public TCustomIniFile {
 public:
  explicit ProfileApiIniFile(const std::string& file) : TCustomIniFile(file) {}
  bool ValueExists(const std::string& section, const std::string& key) override {
    char buf[1024];
    GetPrivateProfileStringA(section.c_str(), key.c_str(), kAbsent, buf, sizeof(buf), FileName().c_str());
    lastSection_ = section;
    lastKey_ = key;
    lastValue_ = buf;
    return lastValue_ != kAbsent;
  }
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) override {
    if (section == lastSection_ && key == lastKey_ && lastValue_ != kAbsent) return lastValue_;
    char buf[1024];
    GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf, sizeof(buf), FileName().c_str());
    return buf;
  }
  void WriteString(const std::string& section, const std::string& key, const std::string& value) override {
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), QuoteProfileValue(value).c_str(),
                                    FileName().c_str())) {
      RaiseWriteError();
    }
  }
  void EraseSection(const std::string& section) override {
    if (!WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, FileName().c_str())) RaiseWriteError();
  }

 private:
  static constexpr const char* kAbsent = "\x01\x02";
  std::string lastSection_, lastKey_, lastValue_;
};

class ProfileApiPlatform : public testing::ForwardingStorePlatform {
 public:
  std::unique_ptr<TCustomIniFile> OpenProfile(const std::string& file, const std::string&) override {
    return std::make_unique<ProfileApiIniFile>(file);
  }
};

void Fill(TTestMainForm& form) {
  std::mt19937 rng(1999);
  auto rnd = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<std::string> descriptions, states;
  for (int n = 1; n <= 100; ++n) {
    TLauncher* s = form.Launcher(n);
    s->SetChecks(TApplyChecks::FromBits(static_cast<uint32_t>(rnd(1, 15))));
    s->SetCommandLine(n % 3 ? "\"C:\\Program Files\\Tool " + std::to_string(n) + "\\tool.exe\"" :
                              "C:\\Reports\\week" + std::to_string(n) + ".xls");
    s->Date()->SetDay(static_cast<TDay>(rnd(1, 28)));
    s->Date()->SetMonth(static_cast<TMonth>(rnd(1, 12)));
    s->Date()->SetYear(static_cast<TYear>(rnd(1999, 2030)));
    s->SetMonthDay(static_cast<TDay>(rnd(1, 31)));
    s->SetTag(rnd(0, 9876543));
    s->Time()->SetHour(static_cast<THour>(rnd(0, 23)));
    s->Time()->SetMin(static_cast<TMin>(rnd(0, 59)));
    s->Time()->SetSec(static_cast<TSec>(rnd(0, 59)));
    s->Time()->SetMSec(static_cast<TMSec>(rnd(0, 999)));
    s->SetWeekDay(static_cast<TLaunchWeekDay>(rnd(0, 6)));
    descriptions.push_back("Schedule number " + std::to_string(n));
    states.push_back(rnd(0, 1) ? "YES" : "DONE");
  }
  form.ListBox1->Items()->SetLines(descriptions);
  form.DateList->Items()->SetLines(states);
  form.StatusBar1->SetTag(80624);
}

// Everything the stores keep, as text, to compare two windows.
std::string Snapshot(const TTestMainForm& form) {
  std::string out;
  for (int n = 1; n <= 100; ++n) {
    const TLauncher* s = form.Launcher(n);
    for (const PropInfo* p : StorableProperties(s->GetClassInfo())) {
      if (p->type->kind == TypeKind::Class) {
        const TObject* o = GetObjectProp(*s, p);
        for (const PropInfo* f : StorableProperties(o->GetClassInfo())) out += EncodeProperty(*o, f) + ";";
      } else {
        out += EncodeProperty(*s, p) + ";";
      }
    }
  }
  for (const std::string& l : form.ListBox1->Items()->Lines()) out += l + "|";
  for (const std::string& l : form.DateList->Items()->Lines()) out += l + "|";
  return out + std::to_string(form.StatusBar1->Tag());
}

void UseFile(TTestMainForm& form, const std::string& path) {
  for (int s = 1; s <= 4; ++s) form.Storage(s)->SetIniFileName(path);
}

struct Timing {
  double saveMs = 0, restoreMs = 0;
  std::string snapshot;
};

Timing SaveAndRestore(TTestMainForm& source, const std::string& path) {
  DeleteFileA(path.c_str());
  UseFile(source, path);
  Timing t;
  double start = NowMs();
  source.SaveAll();
  t.saveMs = NowMs() - start;
  TTestMainForm target;
  UseFile(target, path);
  start = NowMs();
  target.RestoreAll();
  t.restoreMs = NowMs() - start;
  t.snapshot = Snapshot(target);
  return t;
}

std::string ReadAll(const std::string& path) {
  std::string data;
  PlatformFileSystem().Read(path, &data);
  return data;
}

}  // namespace

int main(int argc, char** argv) {
  const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  const std::string ours = std::string(tmp) + "store_bench_ours.ini";
  const std::string api = std::string(tmp) + "store_bench_api.ini";

  TTestMainForm form;
  Fill(form);
  const std::string expected = Snapshot(form);

  std::vector<double> oursTotals;
  Timing o;
  for (int i = 0; i < reps; ++i) {
    o = SaveAndRestore(form, ours);
    oursTotals.push_back(o.saveMs + o.restoreMs);
  }
  std::sort(oursTotals.begin(), oursTotals.end());
  const double oursMs = oursTotals[oursTotals.size() / 2];
  const std::string oursFile = ReadAll(ours);

  Timing a;
  {
    ProfileApiPlatform platform;
    a = SaveAndRestore(form, api);
  }
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, api.c_str());
  const std::string apiFile = ReadAll(api);
  const bool identical = oursFile == apiFile && !oursFile.empty() && o.snapshot == expected &&
                         a.snapshot == expected;

  size_t keys = 0;
  for (char c : oursFile) keys += c == '=';
  std::printf("store_keys_written: %zu\n", keys);
  std::printf("store_file_bytes: %zu\n", oursFile.size());
  std::printf("ours_save_ms: %.2f\n", o.saveMs);
  std::printf("ours_restore_ms: %.2f\n", o.restoreMs);
  std::printf("profile_api_save_ms: %.1f\n", a.saveMs);
  std::printf("profile_api_restore_ms: %.1f\n", a.restoreMs);
  std::printf("identical: %s\n", identical ? "yes" : "no");
  std::printf("ours_ms: %.2f\n", oursMs);
  std::printf("profile_api_ms: %.1f\n", a.saveMs + a.restoreMs);
  std::printf("ratio: %.1f\n", (a.saveMs + a.restoreMs) / oursMs);
  DeleteFileA(ours.c_str());
  DeleteFileA(api.c_str());
  return identical ? 0 : 1;
}
