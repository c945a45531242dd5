// The stored form of published properties: each kind's text encoding, and
// writing and reading one property under its key, working only from the
// property tables (core/typeinfo.h).
//
//   Integer      decimal; read back also as "$" hexadecimal; no number gives 0
//   Enumeration  the identifier; read back case-insensitively, no match: unchanged
//   Set          "[lcDate,lcTime]"; read back word by word, unknown words skipped
//   String       trimmed of blanks and control characters
//   Char         the character; read back as the first character's code
//   Float        general format, 7/15/18/18/19 significant digits by float type
//   Variant      its text
//   Class        a string list: a section of its own ("Count", "Item0"...);
//                another object: one key per field (key + field name), fields
//                in case-insensitive name order; components are not stored
#pragma once

#include <string>
#include <vector>

#include "core/typeinfo.h"
#include "store/ini_file.h"

namespace marrowby {

// The text of a scalar property's value ("" for class and event kinds).
std::string EncodeProperty(const TObject& obj, const PropInfo* prop);
// Assigns text to a scalar property through its setter. Raises EConvertError
// when the text does not convert (a float); other kinds never fail.
void DecodeProperty(TObject& obj, const PropInfo* prop, const std::string& text);

// A class's published properties that can be stored: every kind but events,
// scalar ones only with both accessors; sorted by name, case-insensitively.
std::vector<const PropInfo*> StorableProperties(const ClassInfo* cls);

// Writes the property under `key` in `section` (a string list to the section
// "<section>.<key>", an object's fields under "<key><Field>").
void StoreProperty(TCustomIniFile& ini, const std::string& section, const std::string& key,
                   const TObject& obj, const PropInfo* prop);
// Reads it back; a missing key leaves the property as it is, and a value its
// setter rejects is passed over. Never raises.
void LoadProperty(TCustomIniFile& ini, const std::string& section, const std::string& key,
                  TObject& obj, const PropInfo* prop);

// The most lines a stored list is read back with: a damaged "Count" must not
// make a restore allocate without end.
inline constexpr int kMaxStoredListLines = 1000000;

// Floating point in general format with `digits` significant digits: fixed
// notation for values from 0.00001 up to `digits` integer digits, else
// scientific ("1.5E20", "1E-6"); "." as the decimal separator.
std::string FormatFloatGeneral(double value, int digits);
bool ParseFloat(const std::string& text, double* value);

}  // namespace marrowby
