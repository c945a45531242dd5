// Fuzz targets of the settings store and the main window, shared by the libFuzzer programs and
// the regression test that runs the corpus. Each returns false when an
// invariant fails (a crash or a sanitizer report fails on its own).
#pragma once

#include <cstddef>
#include <cstdint>

namespace marrowby::fuzz {

// The profile parser and writer: the input is a file, then operations
// (records after the first NUL: a kind byte, then section, key and value
// separated by 0x01). Checks that what the model reads always equals what a
// fresh parse of the bytes it would write reads.
bool FuzzProfile(const uint8_t* data, size_t size);

// Restoring a slot, a list and the window placement from arbitrary file
// text, then saving and restoring again: the second restore must give back
// what the first one did.
bool FuzzRestore(const uint8_t* data, size_t size);

// The main window restored from arbitrary settings text (up to the first
// NUL), then worked by up to 16 bytes after it (navigation, New, Remove, Get,
// stores, launches, changes of day), saved and restored again: the schedule
// lists stay in step throughout and the restart gives back what was saved.
// Defined in fuzz_main_form.cpp.
bool FuzzMainForm(const uint8_t* data, size_t size);

}  // namespace marrowby::fuzz
