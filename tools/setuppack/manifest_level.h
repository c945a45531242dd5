// The execution level in the stub's manifest: "asInvoker" for every
// package, rewritten in place to "requireAdministrator" for an --admin one,
// so that Windows asks for administrative rights before setup starts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marrowby::setuppack {

constexpr char kAsInvoker[] = "asInvoker";
constexpr char kRequireAdministrator[] = "requireAdministrator";

// The level of the requestedExecutionLevel element in the manifest resource
// of a PE image; empty when there is no manifest or no such element.
std::string ExecutionLevel(const std::vector<uint8_t>& image);

// Sets the level in place, padding with spaces inside the tag so that no
// size changes; false (the image unchanged) when the image has no level or
// too little room behind it for the new word.
bool SetExecutionLevel(std::vector<uint8_t>& image, const std::string& level);

}  // namespace marrowby::setuppack
