// The drop target on a real window under Wine, with drop handles made the
// way the shell makes them (a DROPFILES block in global memory).
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/window_base.h"
#include "core/window_host.h"
#include "shell/file_drag.h"

namespace marrowby {
namespace {

const UINT kEcho = WM_USER + 7;

// A component with a window of its own, as the main window is.
class TestForm : public TComponent, public WindowHost, private WindowBase {
 public:
  TestForm() : TComponent(nullptr) {}
  NativeWindow WindowHandle() override {
    if (!made_) {
      made_ = true;
      WindowSetup setup;
      setup.className = "DropTestForm";
      setup.text = "drop";
      setup.style = WS_OVERLAPPEDWINDOW;
      setup.width = 200;
      setup.height = 100;
      CreateOwnWindow(setup);
    }
    return OwnWindow();
  }
  HWND hwnd() { return WindowHandle(); }

 private:
  intptr_t HandleMessage(unsigned msg, uintptr_t wp, intptr_t lp) override {
    if (msg == kEcho) return static_cast<intptr_t>(wp) * 2;  // passed on unchanged
    return DefaultHandling(msg, wp, lp);
  }
  bool made_ = false;
};

// A drop handle as the shell builds it: DROPFILES, then the names, each
// ending in NUL, and one more NUL.
HGLOBAL MakeDrop(const std::vector<std::string>& files) {
  std::string names;
  for (const std::string& f : files) names += f + '\0';
  names += '\0';
  HGLOBAL h = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
  auto* df = static_cast<DROPFILES*>(GlobalLock(h));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = FALSE;
  std::memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), names.data(), names.size());
  GlobalUnlock(h);
  return h;
}

LRESULT Drop(HWND hwnd, const std::vector<std::string>& files) {
  return SendMessageA(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(files)), 0);
}

bool AcceptsFiles(HWND hwnd) { return (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0; }

class DropTest : public ::testing::Test {
 protected:
  DropTest() {
    drag = new TFileDrag(&form);
    drag->OnDrop = [this](TObject* sender) {
      ++drops;
      EXPECT_EQ(sender, drag);
    };
  }
  std::vector<std::string> Lines(TStrings* s) { return s->Lines(); }
  TestForm form;
  TFileDrag* drag;
  int drops = 0;
};

using Names = std::vector<std::string>;

TEST_F(DropTest, FillsTheThreeListsInTheShellsOrder) {
  EXPECT_EQ(drag->Window(), form.hwnd());
  EXPECT_FALSE(drag->EnableDrop());  // off until the window is shown
  EXPECT_FALSE(AcceptsFiles(form.hwnd()));
  drag->SetEnableDrop(true);
  EXPECT_TRUE(AcceptsFiles(form.hwnd()));

  EXPECT_EQ(Drop(form.hwnd(), {"C:\\Docs\\report.final.doc"}), 0);
  EXPECT_EQ(drops, 1);
  EXPECT_EQ(drag->FileCount(), 1);
  EXPECT_EQ(Lines(drag->NameWithPath()), (Names{"C:\\Docs\\report.final.doc"}));
  EXPECT_EQ(Lines(drag->NameOnly()), (Names{"report.final.doc"}));
  EXPECT_EQ(Lines(drag->Extension()), (Names{"final.doc"}));

  Drop(form.hwnd(), {"C:\\My.Dir\\readme.txt", "C:\\My.Dir\\Makefile", "D:\\a.tar.gz"});
  EXPECT_EQ(drops, 2);
  EXPECT_EQ(drag->FileCount(), 3);  // the previous drop's entries are gone
  EXPECT_EQ(Lines(drag->NameWithPath()),
            (Names{"C:\\My.Dir\\readme.txt", "C:\\My.Dir\\Makefile", "D:\\a.tar.gz"}));
  EXPECT_EQ(Lines(drag->NameOnly()), (Names{"readme.txt", "Makefile", "a.tar.gz"}));
  EXPECT_EQ(Lines(drag->Extension()), (Names{"txt", "", "tar.gz"}));

  // Longer than the first buffer: read whole, and the buffer shrinks for none.
  const std::string longPath = "C:\\" + std::string(280, 'd') + "\\" + std::string(12, 'f') + ".log";
  ASSERT_GT(longPath.size(), 290u);
  Drop(form.hwnd(), {"C:\\short.txt", longPath, "C:\\x.y"});
  EXPECT_EQ(Lines(drag->NameWithPath()), (Names{"C:\\short.txt", longPath, "C:\\x.y"}));
  EXPECT_EQ(drag->NameOnly()->Get(1), std::string(12, 'f') + ".log");
  EXPECT_EQ(drag->Extension()->Get(2), "y");
  // Around the first buffer's 128 characters.
  const std::string p127 = "C:\\" + std::string(120, 'a') + ".txt", p128 = p127 + "x";
  const std::string p129 = p128 + "y";
  ASSERT_EQ(p127.size(), 127u);
  Drop(form.hwnd(), {p127, p128, p129, "C:\\z"});
  EXPECT_EQ(Lines(drag->NameWithPath()), (Names{p127, p128, p129, "C:\\z"}));
  EXPECT_EQ(Lines(drag->Extension()), (Names{"txt", "txtx", "txtxy", ""}));
  EXPECT_EQ(drops, 4);
}

TEST_F(DropTest, DropsAreRefusedWhileOffAndHandlesAlwaysReleased) {
  drag->SetEnableDrop(true);
  Drop(form.hwnd(), {"C:\\keep.txt"});
  drag->SetEnableDrop(false);
  EXPECT_FALSE(AcceptsFiles(form.hwnd()));
  HGLOBAL h = MakeDrop({"C:\\other.txt"});
  EXPECT_EQ(SendMessageA(form.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(h), 0), 0);
  EXPECT_EQ(drops, 1);
  EXPECT_EQ(Lines(drag->NameWithPath()), (Names{"C:\\keep.txt"}));
  EXPECT_EQ(GlobalSize(h), 0u);  // released all the same

  // Every write tells the shell, also of the current value.
  drag->SetEnableDrop(true);
  DragAcceptFiles(form.hwnd(), FALSE);  // somebody else switched it off
  drag->SetEnableDrop(true);
  EXPECT_TRUE(AcceptsFiles(form.hwnd()));
}

TEST_F(DropTest, OtherMessagesPassAndTheDropTargetLeavesNoTrace) {
  const LONG_PTR procedure = GetWindowLongPtrA(form.hwnd(), GWLP_WNDPROC);
  EXPECT_EQ(MessageListenersOf(form.hwnd()).size(), 1u);
  EXPECT_EQ(SendMessageA(form.hwnd(), kEcho, 21, 0), 42);
  drag->SetEnableDrop(true);
  delete drag;
  EXPECT_TRUE(MessageListenersOf(form.hwnd()).empty());
  EXPECT_EQ(GetWindowLongPtrA(form.hwnd(), GWLP_WNDPROC), procedure);
  EXPECT_FALSE(AcceptsFiles(form.hwnd()));
  EXPECT_EQ(SendMessageA(form.hwnd(), kEcho, 5, 0), 10);

  // A second drop target on one window stays detached; the first works on.
  auto* first = new TFileDrag(&form);
  auto* second = new TFileDrag(&form);
  EXPECT_EQ(second->Window(), nullptr);
  second->SetEnableDrop(true);
  EXPECT_FALSE(second->EnableDrop());
  first->SetEnableDrop(true);
  Drop(form.hwnd(), {"C:\\one.txt"});
  EXPECT_EQ(first->FileCount(), 1);
  delete second;
  delete first;
  EXPECT_TRUE(MessageListenersOf(form.hwnd()).empty());
}

LRESULT CALLBACK LaterProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto prev = reinterpret_cast<WNDPROC>(GetPropA(hwnd, "LaterPrev"));
  if (msg == kEcho) return CallWindowProcA(prev, hwnd, msg, wp, lp) + 1;
  return CallWindowProcA(prev, hwnd, msg, wp, lp);
}

TEST_F(DropTest, ProcedurePutInFrontLaterKeepsWorkingAfterTheDropTargetGoes) {
  HWND hwnd = form.hwnd();
  auto prev = SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LaterProc));
  SetPropA(hwnd, "LaterPrev", reinterpret_cast<HANDLE>(prev));
  EXPECT_EQ(SendMessageA(hwnd, kEcho, 3, 0), 7);
  delete drag;  // the procedure in front is not cut off
  EXPECT_EQ(SendMessageA(hwnd, kEcho, 3, 0), 7);
  EXPECT_EQ(Drop(hwnd, {"C:\\late.txt"}), 0);  // default handling, no crash
  RemovePropA(hwnd, "LaterPrev");
}

TEST(DropTarget, OwnerWithoutWindowOrWithAGoneWindowLeavesItDetached) {
  TComponent plain(nullptr);
  auto* detached = new TFileDrag(&plain);
  EXPECT_EQ(detached->Window(), nullptr);
  detached->SetEnableDrop(true);
  EXPECT_FALSE(detached->EnableDrop());
  auto* none = new TFileDrag(nullptr);
  EXPECT_EQ(none->Window(), nullptr);
  delete none;

  TestForm form;
  auto* drag = new TFileDrag(&form);
  drag->SetEnableDrop(true);
  DestroyWindow(form.hwnd());  // the window goes first
  EXPECT_EQ(drag->Window(), nullptr);
  EXPECT_FALSE(drag->EnableDrop());
  delete drag;  // nothing left to unhook
}

}  // namespace
}  // namespace marrowby
