// The about box and the picture window behind it, and the maker's details.
#pragma once

#include <functional>
#include <string>

#include "ui/form.h"

namespace marrowby {

namespace maker {
inline constexpr const char kName[] = "Marrowby Software";
inline constexpr const char kStreet[] = "12 Example Lane";
inline constexpr const char kTown[] = "Exampleton EX1 2MP";
inline constexpr const char kEmail[] = "support@marrowby.example";
inline constexpr const char kWebAddress[] = "www.marrowby.example";
inline constexpr const char kWebUrl[] = "http://www.marrowby.example/";
}  // namespace maker

// The picture window: one picture, closed by a click on it.
class TCopyRightForm : public TForm {
 public:
  explicit TCopyRightForm(TComponent* owner);
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  TImage* Image1;
  void Image1Click();
};

class TAboutForm : public TForm {
 public:
  // picture: the picture window a double-click on the icon shows; website:
  // what the web button does.
  TAboutForm(TComponent* owner, TCopyRightForm* picture, std::function<void()> website);
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  TPanel* Panel1;
  TImage* Image1;
  TLabel* TitleLbl;
  TLabel* NameLbl;
  TLabel* StreetLbl;
  TLabel* TownLbl;
  TLabel* CommentsLbl;
  TLabel* EmailLbl;
  TLabel* VersionLbl;  // the product's version
  TButton* WebBtn;
  TButton* OKBtn;

  void Image1DblClick();
  void WebClick();

 private:
  TCopyRightForm* picture_;
  std::function<void()> website_;
};

}  // namespace marrowby
