#include "scheduler/command_split.h"

#include <cctype>

namespace marrowby {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimLeft(const std::string& s, size_t from) {
  while (from < s.size() && IsBlank(s[from])) ++from;
  return from < s.size() ? s.substr(from) : std::string();
}

std::string TrimRight(std::string s) {
  while (!s.empty() && IsBlank(s.back())) s.pop_back();
  return s;
}

}  // namespace

std::vector<ProgramCall> ProgramSplits(const std::string& raw) {
  const std::string line = TrimRight(TrimLeft(raw, 0));
  std::vector<ProgramCall> out;
  if (line.empty()) return out;
  if (line[0] == '"') {
    const size_t close = line.find('"', 1);
    if (close == std::string::npos || close == 1) return out;
    // The closing quote must end the program's word: "a"b is not a program.
    if (close + 1 < line.size() && !IsBlank(line[close + 1])) return out;
    out.push_back({line.substr(1, close - 1), TrimLeft(line, close + 1)});
    return out;
  }
  // Blanks inside quotes belong to an argument and are no split points; a
  // program name holds no quote.
  std::vector<size_t> points;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (!quoted && IsBlank(line[i]) && i > 0 && !IsBlank(line[i - 1])) points.push_back(i);
  }
  for (auto it = points.rbegin(); it != points.rend(); ++it) {
    const std::string program = line.substr(0, *it);
    if (program.find('"') != std::string::npos) continue;
    out.push_back({program, TrimLeft(line, *it)});
  }
  return out;
}

bool IsProgramFileName(const std::string& name) {
  const size_t dot = name.find_last_of(".\\/:");
  if (dot == std::string::npos || name[dot] != '.') return false;
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == "exe" || ext == "com" || ext == "bat" || ext == "cmd";
}

bool SplitProgramLine(const std::string& line,
                      const std::function<std::string(const std::string&)>& find,
                      ProgramCall* call) {
  for (ProgramCall& c : ProgramSplits(line)) {
    std::string path = find(c.program);
    if (path.empty() || !IsProgramFileName(path)) continue;
    call->program = std::move(path);
    call->parameters = std::move(c.parameters);
    return true;
  }
  return false;
}

uint32_t ShellResultError(intptr_t result) {
  switch (result) {
    case 0:
      return 8;  // ERROR_NOT_ENOUGH_MEMORY: the system is out of resources
    case 26:
      return 32;  // SE_ERR_SHARE: ERROR_SHARING_VIOLATION
    case 27:
    case 31:
      return 1155;  // SE_ERR_ASSOCINCOMPLETE, SE_ERR_NOASSOC: ERROR_NO_ASSOCIATION
    case 28:
    case 29:
    case 30:
      return 1156;  // SE_ERR_DDETIMEOUT, DDEFAIL, DDEBUSY: ERROR_DDE_FAIL
    case 32:
      return 1157;  // SE_ERR_DLLNOTFOUND: ERROR_DLL_NOT_FOUND
    default:
      return static_cast<uint32_t>(result);  // the others are system error codes
  }
}

}  // namespace marrowby
