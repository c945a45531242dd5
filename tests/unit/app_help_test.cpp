// The guide's address for a help topic, as the browser is asked to open it.
#include <gtest/gtest.h>

#include "app/help_target.h"

namespace marrowby::help {
namespace {

TEST(Help, GuideAddressIsAFileUrlWithTheTopicAsAnchor) {
  struct Case {
    const char* path;
    int context;
    const char* url;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Marrowby\\Schedule Manager\\Schedule.html", 14,
       "file:///C:/Program%20Files/Marrowby/Schedule%20Manager/Schedule.html#14"},
      {"C:\\Apps\\Schedule.html", 0, "file:///C:/Apps/Schedule.html"},
      {"C:\\Apps\\Schedule.html", -1, "file:///C:/Apps/Schedule.html"},
      // Characters with a meaning in a URL, and 8-bit ones, are encoded.
      {"D:\\50% #1\\Schedule.html", 44, "file:///D:/50%25%20%231/Schedule.html#44"},
      {"C:\\Caf\xe9\\Schedule.html", 20, "file:///C:/Caf%E9/Schedule.html#20"},
      {"\\\\server\\share\\Schedule.html", 13, "file://server/share/Schedule.html#13"},
  };
  for (const Case& c : cases) EXPECT_EQ(GuideUrl(c.path, c.context), c.url) << c.path;
}

}  // namespace
}  // namespace marrowby::help
