#include "store/form_placement.h"

#include "core/errors.h"
#include "core/text.h"

namespace marrowby {

namespace {

const char* const kPlacementOptionNames[] = {"fpState", "fpPosition", "fpActiveControl"};
const TypeInfo kWinMinMaxInfoType = ClassTypeInfo("TWinMinMaxInfo", &TWinMinMaxInfo::kClassInfo);

using MM = TWinMinMaxInfo;
const PropInfo kMinMaxProps[] = {
    OrdProp<MM, &MM::MaxPosLeft, &MM::SetMaxPosLeft>("MaxPosLeft", &kIntegerType, true, 0),
    OrdProp<MM, &MM::MaxPosTop, &MM::SetMaxPosTop>("MaxPosTop", &kIntegerType, true, 0),
    OrdProp<MM, &MM::MaxSizeHeight, &MM::SetMaxSizeHeight>("MaxSizeHeight", &kIntegerType, true, 0),
    OrdProp<MM, &MM::MaxSizeWidth, &MM::SetMaxSizeWidth>("MaxSizeWidth", &kIntegerType, true, 0),
    OrdProp<MM, &MM::MaxTrackHeight, &MM::SetMaxTrackHeight>("MaxTrackHeight", &kIntegerType, true,
                                                             0),
    OrdProp<MM, &MM::MaxTrackWidth, &MM::SetMaxTrackWidth>("MaxTrackWidth", &kIntegerType, true, 0),
    OrdProp<MM, &MM::MinTrackHeight, &MM::SetMinTrackHeight>("MinTrackHeight", &kIntegerType, true,
                                                             0),
    OrdProp<MM, &MM::MinTrackWidth, &MM::SetMinTrackWidth>("MinTrackWidth", &kIntegerType, true, 0),
    EventProp("OnChange"),
};

using FP = TFormPlacement;
const PropInfo kPlacementProps[] = {
    OrdProp<FP, &FP::Active, &FP::SetActive>("Active", &kBooleanType, true, 1),
    StrProp<FP, &FP::IniFileName, &FP::SetIniFileName>("IniFileName"),
    StrProp<FP, &FP::IniSection, &FP::SetIniSection>("IniSection"),
    ObjectProp<FP, &FP::MinMaxInfo>("MinMaxInfo", &kWinMinMaxInfoType),
    OrdProp<FP, &FP::Options, &FP::SetOptions>("Options", &kPlacementOptionsType, true, 3),
    OrdProp<FP, &FP::PreventResize, &FP::SetPreventResize>("PreventResize", &kBooleanType, true, 0),
    OrdProp<FP, &FP::UseRegistry, &FP::SetUseRegistry>("UseRegistry", &kBooleanType, true, 0),
    EventProp("OnRestorePlacement"),
    EventProp("OnSavePlacement"),
};

std::string FourInts(int32_t a, int32_t b, int32_t c, int32_t d) {
  return std::to_string(a) + ',' + std::to_string(b) + ',' + std::to_string(c) + ',' +
         std::to_string(d);
}

// "a,b,c,d" with optional blanks; anything else is no position.
bool ParseFourInts(const std::string& text, int32_t out[4]) {
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = i < 3 ? text.find(',', start) : text.size();
    if (comma == std::string::npos) return false;
    if (!TryStrToInt(Trim(text.substr(start, comma - start)), &out[i])) return false;
    start = comma + 1;
  }
  return true;
}

int32_t ReadInt(TCustomIniFile& ini, const std::string& section, const std::string& key,
                int32_t def) {
  int32_t v;
  return TryStrToInt(Trim(ini.ReadString(section, key, "")), &v) ? v : def;
}

// The key under the screen size first, then the plain key.
std::string ReadPosition(TCustomIniFile& ini, const std::string& section, const std::string& key,
                         const std::string& suffix) {
  std::string text = Trim(ini.ReadString(section, key + suffix, ""));
  if (text.empty()) text = Trim(ini.ReadString(section, key, ""));
  return text;
}

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

const TypeInfo kPlacementOptionType = EnumTypeInfo("TPlacementOption", kPlacementOptionNames);
const TypeInfo kPlacementOptionsType =
    SetTypeInfo("TPlacementOptions", &kPlacementOptionType, OrdType::UByte);

const ClassInfo TWinMinMaxInfo::kClassInfo = {"TWinMinMaxInfo", &TPersistent::kClassInfo,
                                              kMinMaxProps, std::size(kMinMaxProps)};
const ClassInfo TFormPlacement::kClassInfo = {"TFormPlacement", &TComponent::kClassInfo,
                                              kPlacementProps, std::size(kPlacementProps)};

std::string DefaultIniFileName(const std::string& exeName) {
  return WithoutExtension(FileNamePart(exeName)) + ".INI";
}

std::string DefaultRegistryKey(const std::string& exeName) {
  return "Software\\" + WithoutExtension(FileNamePart(exeName));
}

// ---- TWinMinMaxInfo -----------------------------------------------------------

void TWinMinMaxInfo::SetField(int32_t& field, int32_t v) {
  if (field == v) return;
  field = v;
  if (OnChange) OnChange(this);
}

void TWinMinMaxInfo::Assign(const TPersistent* source) {
  if (source && source->InheritsFrom(&kClassInfo)) {
    v_ = static_cast<const TWinMinMaxInfo*>(source)->v_;
    if (OnChange) OnChange(this);
    return;
  }
  TPersistent::Assign(source);
}

// ---- TFormPlacement -----------------------------------------------------------

TFormPlacement::TFormPlacement(TComponent* owner) : TComponent(owner) {
  if (WindowHost* host = Host()) host->AddFormEvents(this);
  minMaxInfo_.OnChange = [this](TObject*) {
    if (!Loading()) ApplySizeLimits();
  };
}

TFormPlacement::~TFormPlacement() {
  // While the owner is being destroyed its window part may be gone already;
  // its list of listeners goes with it.
  if (Owner() && !Owner()->Destroying()) {
    if (WindowHost* host = Host()) host->RemoveFormEvents(this);
  }
}

WindowHost* TFormPlacement::Host() const { return dynamic_cast<WindowHost*>(Owner()); }

void TFormPlacement::SetPreventResize(bool v) {
  if (preventResize_ == v) return;
  preventResize_ = v;
  if (!Loading()) ApplySizeLimits();
}

void TFormPlacement::Loaded() {
  TComponent::Loaded();
  ApplySizeLimits();
}

void TFormPlacement::ApplySizeLimits() {
  WindowHost* host = Host();
  if (!host) return;
  const bool wanted = preventResize_ || !minMaxInfo_.Limits().Empty();
  if (!wanted && !limitsApplied_) return;
  CurrentPlacementPort().SetSizeLimits(host->WindowHandle(), preventResize_, minMaxInfo_.Limits());
  limitsApplied_ = wanted;
}

std::string TFormPlacement::StoreFileName() const {
  if (!iniFileName_.empty()) return iniFileName_;
  const std::string exe = CurrentStorePlatform().ExeName();
  return useRegistry_ ? DefaultRegistryKey(exe) : DefaultIniFileName(exe);
}

std::string TFormPlacement::StoreSection() const {
  if (!iniSection_.empty()) return iniSection_;
  return Owner() ? Owner()->ClassName() : std::string();
}

std::unique_ptr<TCustomIniFile> TFormPlacement::OpenBacking() const {
  StorePlatform& platform = CurrentStorePlatform();
  return useRegistry_ ? platform.OpenRegistry(StoreFileName())
                      : platform.OpenProfile(StoreFileName(), userFolder_);
}

void TFormPlacement::SaveFormPlacement() {
  if (active_ && !restored_) return;
  const std::string section = StoreSection();
  std::unique_ptr<TCustomIniFile> ini = OpenBacking();
  SavePlacement(*ini, section);
  SaveProperties(*ini, section);
  ini->UpdateFile();
  if (OnSavePlacement) OnSavePlacement(this);
  saved_ = true;
}

void TFormPlacement::RestoreFormPlacement() {
  saved_ = false;
  const std::string section = StoreSection();
  std::unique_ptr<TCustomIniFile> ini;
  try {
    ini = OpenBacking();
    RestorePlacement(*ini, section);
  } catch (const std::exception&) {
    // A restore never reports an error: what cannot be read stays as it is.
  }
  restored_ = true;
  if (!ini) return;
  RestoreProperties(*ini, section);
  if (OnRestorePlacement) OnRestorePlacement(this);
  if (options_.Contains(fpActiveControl)) {
    try {
      RestoreActiveControl(*ini, section);
    } catch (const std::exception&) {
    }
  }
}

void TFormPlacement::SavePlacement(TCustomIniFile& ini, const std::string& section) {
  WindowHost* host = Host();
  if (!host) return;
  WindowPlacementPort& port = CurrentPlacementPort();
  const NativeWindow window = host->WindowHandle();
  WindowPlacement pl;
  if (!port.GetPlacement(window, &pl)) pl = WindowPlacement();
  const ScreenInfo screen = port.Screen();
  const std::string suffix =
      "(" + std::to_string(screen.width) + "x" + std::to_string(screen.height) + ")";
  // A minimised application hides its main window, whose own record then
  // says nothing about it.
  const uint32_t showCmd = port.IsMinimizedMainWindow(window) ? 2 : pl.showCmd;
  ini.WriteInteger(section, "Flags", pl.flags);
  ini.WriteInteger(section, "ShowCmd", showCmd);
  ini.WriteInteger(section, "PixelsPerInch", screen.pixelsPerInch);
  const std::string minMax =
      FourInts(pl.minPosition.x, pl.minPosition.y, pl.maxPosition.x, pl.maxPosition.y);
  ini.WriteString(section, "MinMaxPos" + suffix, minMax);
  ini.WriteString(section, "MinMaxPos", minMax);
  const PlacementRect& r = pl.normalPosition;
  const std::string normal = FourInts(r.left, r.top, r.right, r.bottom);
  ini.WriteString(section, "NormPos" + suffix, normal);
  ini.WriteString(section, "NormPos", normal);
  if (options_.Contains(fpActiveControl)) {
    ini.WriteString(section, "ActiveControl", FocusedControlName());
  }
  ini.WriteBool(section, "Visible", savingOnDestroy_);
}

void TFormPlacement::RestorePlacement(TCustomIniFile& ini, const std::string& section) {
  WindowHost* host = Host();
  if (!host || !(options_.Contains(fpPosition) || options_.Contains(fpState))) return;
  WindowPlacementPort& port = CurrentPlacementPort();
  const NativeWindow window = host->WindowHandle();
  if (options_.Contains(fpPosition)) {
    WindowPlacement pl;
    port.GetPlacement(window, &pl);
    const ScreenInfo screen = port.Screen();
    const std::string suffix =
        "(" + std::to_string(screen.width) + "x" + std::to_string(screen.height) + ")";
    const int32_t flags = ReadInt(ini, section, "Flags", static_cast<int32_t>(pl.flags));
    int32_t v[4];
    bool found = false;
    if (ParseFourInts(ReadPosition(ini, section, "MinMaxPos", suffix), v)) {
      pl.minPosition = {v[0], v[1]};
      pl.maxPosition = {v[2], v[3]};
      found = true;
    }
    // An inverted rectangle is damage, not a position.
    if (ParseFourInts(ReadPosition(ini, section, "NormPos", suffix), v) && v[2] >= v[0] &&
        v[3] >= v[1]) {
      pl.normalPosition = {v[0], v[1], v[2], v[3]};
      found = true;
    }
    const int32_t ppi = ReadInt(ini, section, "PixelsPerInch", screen.pixelsPerInch);
    if (found && ppi == screen.pixelsPerInch) {
      pl.flags = static_cast<uint32_t>(flags);
      port.SetPlacement(window, pl);
    }
  }
  if (options_.Contains(fpState)) {
    int32_t cmd;
    if (!TryStrToInt(Trim(ini.ReadString(section, "ShowCmd", "")), &cmd)) return;
    if (cmd == 1 || cmd == 5 || cmd == 9) port.SetWindowState(window, TWindowState::Normal);
    if (cmd == 2 || cmd == 6 || cmd == 7) port.SetWindowState(window, TWindowState::Minimized);
    if (cmd == 3) port.SetWindowState(window, TWindowState::Maximized);
  }
}

std::string TFormPlacement::FocusedControlName() const {
  const NativeWindow focused = CurrentPlacementPort().FocusedWindow();
  if (!focused || !Owner()) return std::string();
  for (int i = 0; i < Owner()->ComponentCount(); ++i) {
    TComponent* c = Owner()->Components(i);
    auto* control = dynamic_cast<WindowHost*>(c);
    if (control && control->WindowHandle() == focused) return c->Name();
  }
  return std::string();
}

void TFormPlacement::RestoreActiveControl(TCustomIniFile& ini, const std::string& section) {
  const std::string name = Trim(ini.ReadString(section, "ActiveControl", ""));
  if (name.empty() || !Owner()) return;
  if (auto* control = dynamic_cast<WindowHost*>(Owner()->FindComponent(name))) {
    CurrentPlacementPort().FocusWindow(control->WindowHandle());
  }
}

void TFormPlacement::FormShown() {
  if (active_ && !restored_) CallGuarded([this] { RestoreFormPlacement(); });
}

void TFormPlacement::FormClosing() {
  if (active_) CallGuarded([this] { SaveFormPlacement(); });
}

void TFormPlacement::FormDestroying() {
  if (!active_ || saved_) return;
  savingOnDestroy_ = true;
  CallGuarded([this] { SaveFormPlacement(); });
  savingOnDestroy_ = false;
}

}  // namespace marrowby
