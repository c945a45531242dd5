// The builder's file output: every file is written under a temporary name
// in its own folder and renamed into place, so that a failure or an
// interruption never leaves a half-written package, and part files of an
// earlier, larger split never stay behind to be mixed in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marrowby::setuppack {

struct OutputFile {
  std::string path;
  std::vector<uint8_t> bytes;
};

// Writes every file under a temporary name first, then renames them all into
// place. On failure no output has been replaced and no temporary file stays.
// Throws std::runtime_error naming the file.
void WriteFilesAtomically(const std::vector<OutputFile>& files);

// Removes the part files numbered from `count` up to 255 beside `output`
// (setup.exe: setup.NNN) and returns their names. Used when the file being
// replaced was itself a split package, so such files are its leftovers.
std::vector<std::string> RemovePartsFrom(const std::string& output, size_t count);

// The part files from `count` up to 255 that exist beside `output`.
std::vector<std::string> ExistingPartsFrom(const std::string& output, size_t count);

}  // namespace marrowby::setuppack
