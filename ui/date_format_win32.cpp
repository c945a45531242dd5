#include <windows.h>

#include "ui/date_format.h"

namespace marrowby {

void UseUserShortDateFormat() {
  char picture[80];
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture, sizeof(picture)) > 0) {
    SetUserShortDateFormat(picture);
  }
}

}  // namespace marrowby
