// The one window helper under Wine: the order in which listeners and the
// window's own handler see a message, a listener that answers, the handle
// forgotten at WM_NCDESTROY, exceptions kept from the window system, and a
// system control listened to through the helper's subclass.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/window_base.h"

namespace marrowby {
namespace {

const UINT kProbe = WM_APP + 20;
const UINT kAnswered = WM_APP + 21;

using Log = std::vector<std::string>;

class TestWindow : public WindowBase {
 public:
  explicit TestWindow(Log* log) : log_(log) {
    WindowSetup setup;
    setup.className = "WindowBaseTest";
    setup.style = WS_POPUP;
    CreateOwnWindow(setup);
  }
  using WindowBase::DetachOwnWindow;
  bool throws = false;

 private:
  intptr_t HandleMessage(unsigned msg, uintptr_t wp, intptr_t lp) override {
    if (msg == kProbe || msg == kAnswered) {
      log_->push_back("own");
      if (throws) throw std::runtime_error("handler failed");
      return 5;
    }
    if (msg == WM_NCDESTROY) log_->push_back("own destroy");
    return DefaultHandling(msg, wp, lp);
  }
  Log* log_;
};

// Writes what it sees; answers kAnswered itself when told to, and adjusts
// what the rest answered by `add`.
class Recorder : public MessageListener {
 public:
  Recorder(const std::string& name, Log* log, intptr_t add) : name_(name), log_(log), add_(add) {}
  bool answers = false;
  bool throws = false;
  MessageListener* removes = nullptr;  // a listener to remove first
  std::vector<HWND> ended;

  intptr_t OnMessage(HWND hwnd, const WindowMessage& m, MessageChain& next) override {
    if (m.id != kProbe && m.id != kAnswered) return next.PassOn();
    log_->push_back(name_ + " before");
    if (removes) RemoveMessageListener(hwnd, removes);
    if (throws) throw std::runtime_error("listener failed");
    if (answers && m.id == kAnswered) return 100;
    const intptr_t result = next.PassOn() + add_;
    log_->push_back(name_ + " after");
    return result;
  }
  void ListeningEnded(HWND hwnd) override { ended.push_back(hwnd); }

 private:
  std::string name_;
  Log* log_;
  intptr_t add_;
};

TEST(WindowBase, ListenersSeeAMessageInTheirOrderAroundTheWindowsOwnHandling) {
  Log log;
  TestWindow window(&log);
  Recorder first("first", &log, 10), second("second", &log, 20);
  HWND hwnd = window.OwnWindow();
  ASSERT_TRUE(AddMessageListener(hwnd, &first));
  ASSERT_TRUE(AddMessageListener(hwnd, &second));
  EXPECT_TRUE(AddMessageListener(hwnd, &first));  // once only
  EXPECT_EQ(MessageListenersOf(hwnd), (std::vector<MessageListener*>{&first, &second}));
  EXPECT_EQ(SendMessageA(hwnd, kProbe, 0, 0), 35);
  EXPECT_EQ(log, (Log{"first before", "second before", "own", "second after", "first after"}));

  // An answer ends the message there; a listener removed meanwhile is skipped.
  log.clear();
  first.answers = true;
  EXPECT_EQ(SendMessageA(hwnd, kAnswered, 0, 0), 100);
  EXPECT_EQ(log, (Log{"first before"}));
  log.clear();
  first.answers = false;
  first.removes = &second;
  EXPECT_EQ(SendMessageA(hwnd, kProbe, 0, 0), 15);
  EXPECT_EQ(log, (Log{"first before", "own", "first after"}));
  RemoveMessageListener(hwnd, &first);
  EXPECT_TRUE(MessageListenersOf(hwnd).empty());
}

TEST(WindowBase, TheHandleIsForgottenAtNcDestroyAndListenersHearOfIt) {
  Log log;
  Recorder listener("l", &log, 0);
  {
    TestWindow window(&log);
    HWND hwnd = window.OwnWindow();
    AddMessageListener(hwnd, &listener);
    DestroyWindow(hwnd);  // by somebody else
    EXPECT_EQ(window.OwnWindow(), nullptr);
    EXPECT_EQ(WindowBase::ObjectOf(hwnd), nullptr);
    EXPECT_EQ(listener.ended, std::vector<HWND>{hwnd});
    EXPECT_EQ(log, Log{"own destroy"});
  }  // the object then has nothing to destroy
  EXPECT_EQ(listener.ended.size(), 1u);

  // An object that lets go of its window ends its listeners as well.
  TestWindow kept(&log);
  HWND hwnd = kept.OwnWindow();
  AddMessageListener(hwnd, &listener);
  kept.DetachOwnWindow();
  EXPECT_EQ(listener.ended.back(), hwnd);
  EXPECT_EQ(WindowBase::ObjectOf(hwnd), nullptr);
  EXPECT_TRUE(MessageListenersOf(hwnd).empty());
  DestroyWindow(hwnd);
}

TEST(WindowBase, WhatAListenerOrTheHandlerThrowsGoesToTheErrorDisplay) {
  std::vector<std::string> shown;
  SetExceptionHandler([&](const std::exception& e) { shown.push_back(e.what()); });
  Log log;
  TestWindow window(&log);
  Recorder listener("l", &log, 1);
  AddMessageListener(window.OwnWindow(), &listener);
  listener.throws = true;
  EXPECT_EQ(SendMessageA(window.OwnWindow(), kProbe, 0, 0), 0);
  EXPECT_EQ(log, Log{"l before"});  // the window's own handling never ran
  listener.throws = false;
  window.throws = true;
  EXPECT_EQ(SendMessageA(window.OwnWindow(), kProbe, 0, 0), 0);
  EXPECT_EQ(shown, (std::vector<std::string>{"listener failed", "handler failed"}));
  SetExceptionHandler(nullptr);
}

TEST(WindowBase, ASystemControlIsListenedToThroughOneSubclass) {
  Log log;
  HWND edit = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  const LONG_PTR own = GetWindowLongPtrA(edit, GWLP_WNDPROC);
  Recorder first("first", &log, 0), second("second", &log, 0);
  first.answers = second.answers = true;
  ASSERT_TRUE(AddMessageListener(edit, &first));
  ASSERT_TRUE(AddMessageListener(edit, &second));
  EXPECT_EQ(WindowBase::ObjectOf(edit), nullptr);
  EXPECT_EQ(SendMessageA(edit, kAnswered, 0, 0), 100);
  EXPECT_EQ(log, Log{"first before"});
  // Messages it does not answer reach the control itself.
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed"));
  char text[16] = {};
  GetWindowTextA(edit, text, sizeof(text));
  EXPECT_STREQ(text, "typed");
  RemoveMessageListener(edit, &first);
  RemoveMessageListener(edit, &second);
  EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_WNDPROC), own);  // the last one unhooks
  AddMessageListener(edit, &first);
  DestroyWindow(edit);
  EXPECT_EQ(first.ended, std::vector<HWND>{edit});
  EXPECT_TRUE(MessageListenersOf(edit).empty());
}

}  // namespace
}  // namespace marrowby
