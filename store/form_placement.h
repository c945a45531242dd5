// Settings stores of a window (a component that owns a window, see
// core/window_host.h). TFormPlacement keeps the window's placement in the
// settings file; TFormStorage (form_storage.h) adds named properties of the
// window's components.
//
// File and section: IniFileName, else the executable's name with ".INI"
// (schedmgr.exe: schedmgr.INI), a bare name living in the Windows directory
// (or the per-user folder UserFolder, see profile_location.h); IniSection,
// else the class name of the owner ("TMainForm"). With UseRegistry the same
// keys go to the current user's registry key IniFileName, else
// "Software\<exe name>".
//
// Every save writes the placement keys "Flags", "ShowCmd", "PixelsPerInch",
// "MinMaxPos(WxH)", "MinMaxPos", "NormPos(WxH)", "NormPos" (W x H: the screen
// size), "ActiveControl" with fpActiveControl, and "Visible" (true only for a
// save made by the owner's destruction). A restore applies them only as far
// as Options asks. An Active store restores itself when its window is shown
// and saves itself when the window closes and (unless saved) when it is
// destroyed.
//
// What the owner window does for its stores: it implements WindowHost and
// calls NotifyShown, NotifyClosing and NotifyDestroying (the last one before
// it frees its components); it creates its components between BeginLoading
// and EndLoading, so that the stores resolve their lists once all exist.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/component.h"
#include "core/set.h"
#include "core/window_host.h"
#include "store/ini_file.h"
#include "store/store_platform.h"
#include "store/window_placement.h"

namespace marrowby {

enum TPlacementOption : uint8_t { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = Set<TPlacementOption>;

extern const TypeInfo kPlacementOptionType;
extern const TypeInfo kPlacementOptionsType;

// Size limits of the owner window (all 0: none).
class TWinMinMaxInfo : public TPersistent {
 public:
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  int32_t MaxPosLeft() const { return v_.maxPosLeft; }
  void SetMaxPosLeft(int32_t v) { SetField(v_.maxPosLeft, v); }
  int32_t MaxPosTop() const { return v_.maxPosTop; }
  void SetMaxPosTop(int32_t v) { SetField(v_.maxPosTop, v); }
  int32_t MaxSizeHeight() const { return v_.maxSizeHeight; }
  void SetMaxSizeHeight(int32_t v) { SetField(v_.maxSizeHeight, v); }
  int32_t MaxSizeWidth() const { return v_.maxSizeWidth; }
  void SetMaxSizeWidth(int32_t v) { SetField(v_.maxSizeWidth, v); }
  int32_t MaxTrackHeight() const { return v_.maxTrackHeight; }
  void SetMaxTrackHeight(int32_t v) { SetField(v_.maxTrackHeight, v); }
  int32_t MaxTrackWidth() const { return v_.maxTrackWidth; }
  void SetMaxTrackWidth(int32_t v) { SetField(v_.maxTrackWidth, v); }
  int32_t MinTrackHeight() const { return v_.minTrackHeight; }
  void SetMinTrackHeight(int32_t v) { SetField(v_.minTrackHeight, v); }
  int32_t MinTrackWidth() const { return v_.minTrackWidth; }
  void SetMinTrackWidth(int32_t v) { SetField(v_.minTrackWidth, v); }

  const SizeLimits& Limits() const { return v_; }
  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChange;

 private:
  void SetField(int32_t& field, int32_t v);
  SizeLimits v_;
};

class TFormPlacement : public TComponent, public FormEvents {
 public:
  explicit TFormPlacement(TComponent* owner);
  ~TFormPlacement() override;

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  const std::string& IniFileName() const { return iniFileName_; }
  void SetIniFileName(const std::string& v) { iniFileName_ = v; }
  const std::string& IniSection() const { return iniSection_; }
  void SetIniSection(const std::string& v) { iniSection_ = v; }
  TWinMinMaxInfo* MinMaxInfo() const { return &minMaxInfo_; }
  TPlacementOptions Options() const { return options_; }
  void SetOptions(TPlacementOptions v) { options_ = v; }
  bool PreventResize() const { return preventResize_; }
  void SetPreventResize(bool v);
  bool UseRegistry() const { return useRegistry_; }
  void SetUseRegistry(bool v) { useRegistry_ = v; }
  // The program's folder under the user's data folder, which takes the file
  // when the Windows directory refuses it; empty (the default): none. Not a
  // stored property: the program sets it.
  const std::string& UserFolder() const { return userFolder_; }
  void SetUserFolder(const std::string& v) { userFolder_ = v; }

  TNotifyEvent OnSavePlacement;
  TNotifyEvent OnRestorePlacement;

  // The file (or registry key) and section in effect, defaults filled in.
  std::string StoreFileName() const;
  std::string StoreSection() const;

  // Writes the placement (and, in a TFormStorage, the stored properties).
  // Raises "Unable to write to %s"; an Active store that has not been
  // restored yet writes nothing.
  void SaveFormPlacement();
  // Reads them back; never raises.
  void RestoreFormPlacement();

  bool Restored() const { return restored_; }
  bool Saved() const { return saved_; }
  // True only while a save made by the owner's destruction runs.
  bool SavingOnDestroy() const { return savingOnDestroy_; }

  // The owner's window interface, or null.
  WindowHost* Host() const;

 protected:
  void Loaded() override;
  // What a derived store adds to a save and a restore, with the backing open.
  virtual void SaveProperties(TCustomIniFile&, const std::string& /*section*/) {}
  virtual void RestoreProperties(TCustomIniFile&, const std::string& /*section*/) {}

  void FormShown() override;
  void FormClosing() override;
  void FormDestroying() override;

 private:
  std::unique_ptr<TCustomIniFile> OpenBacking() const;
  void SavePlacement(TCustomIniFile& ini, const std::string& section);
  void RestorePlacement(TCustomIniFile& ini, const std::string& section);
  void RestoreActiveControl(TCustomIniFile& ini, const std::string& section);
  std::string FocusedControlName() const;
  void ApplySizeLimits();

  std::string iniFileName_;
  std::string iniSection_;
  std::string userFolder_;
  mutable TWinMinMaxInfo minMaxInfo_;
  TPlacementOptions options_{fpState, fpPosition};
  bool active_ = true;
  bool preventResize_ = false;
  bool useRegistry_ = false;
  bool restored_ = false;
  bool saved_ = false;
  bool savingOnDestroy_ = false;
  bool limitsApplied_ = false;
};

// The default settings file name: the executable's name with its extension
// replaced by ".INI".
std::string DefaultIniFileName(const std::string& exeName);
// The default registry key: "Software\" and the executable's name without
// its extension.
std::string DefaultRegistryKey(const std::string& exeName);

}  // namespace marrowby
