#include "tests/win/setup_win_util.h"

namespace marrowby::setup::testing {

BoxAnswerer::BoxAnswerer() : thread_([this] { Run(); }) {}

BoxAnswerer::~BoxAnswerer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

std::string BoxAnswerer::text() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  return text_;
}

void BoxAnswerer::Run() {
  while (!stop_) {
    HWND box = nullptr;
    while ((box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr) {
      DWORD pid = 0;
      GetWindowThreadProcessId(box, &pid);
      char text[1024] = "";
      if (pid == GetCurrentProcessId() && GetDlgItemTextA(box, 0xFFFF, text, sizeof(text))) {
        text_ = text;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
    }
    Sleep(20);
  }
}

namespace {

void Put(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i));
}

}  // namespace

std::string StoredCabinet(const std::vector<Entry>& entries) {
  std::string files, data;
  for (const Entry& e : entries) {
    Put(files, static_cast<uint32_t>(e.data.size()), 4);
    Put(files, static_cast<uint32_t>(data.size()), 4);
    Put(files, 0, 2);
    Put(files, e.date, 2);
    Put(files, e.time, 2);
    Put(files, e.attribs, 2);
    files += e.name;
    files += '\0';
    data += e.data;
  }
  std::string blocks;
  int count = 0;
  for (size_t at = 0; at < data.size(); at += 32768, ++count) {
    const std::string chunk = data.substr(at, 32768);
    Put(blocks, 0, 4);
    Put(blocks, static_cast<uint32_t>(chunk.size()), 2);
    Put(blocks, static_cast<uint32_t>(chunk.size()), 2);
    blocks += chunk;
  }
  const uint32_t dataAt = static_cast<uint32_t>(36 + 8 + files.size());
  std::string cab = "MSCF";
  Put(cab, 0, 4);
  Put(cab, static_cast<uint32_t>(dataAt + blocks.size()), 4);
  Put(cab, 0, 4);
  Put(cab, 44, 4);
  Put(cab, 0, 4);
  cab += '\x03';
  cab += '\x01';
  Put(cab, 1, 2);
  Put(cab, static_cast<uint32_t>(entries.size()), 2);
  Put(cab, 0, 2);
  Put(cab, 7, 2);
  Put(cab, 0, 2);
  Put(cab, dataAt, 4);
  Put(cab, static_cast<uint32_t>(count), 2);
  Put(cab, 0, 2);
  return cab + files + blocks;
}

}  // namespace marrowby::setup::testing
