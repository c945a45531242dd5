#include "app/about_form.h"

#include "marrowby_version.h"

namespace marrowby {

const ClassInfo TCopyRightForm::kClassInfo = {"TCopyRightForm", &TForm::kClassInfo, nullptr, 0};
const ClassInfo TAboutForm::kClassInfo = {"TAboutForm", &TForm::kClassInfo, nullptr, 0};

TCopyRightForm::TCopyRightForm(TComponent* owner) : TForm(owner) {
  SetName("CopyRightForm");
  BorderStyle = TBorderStyle::bsNone;
  NewControls(Row(Image1, {this, nullptr, "Image1", {1, 1, 300, 110}}));
  Image1->ResourceName = "COPYRIGHT";
  Image1->IsIcon = false;
  // The window is the picture and a one-pixel edge around it.
  SetClientSize(Image1->Width() + 2, Image1->Height() + 2);
  Image1->OnClick = [this](TObject*) { Image1Click(); };
}

void TCopyRightForm::Image1Click() { SetModalResult(mrOk); }

TAboutForm::TAboutForm(TComponent* owner, TCopyRightForm* picture, std::function<void()> website)
    : TForm(owner), picture_(picture), website_(std::move(website)) {
  SetName("AboutForm");
  BorderStyle = TBorderStyle::bsNone;
  SetClientSize(331, 168);
  NewControls(
      Row(Panel1, {this, nullptr, "Panel1", {0, 0, 331, 168}}),
      Row(Image1, {this, "Panel1", "Image1", {14, 14, 32, 32}}),
      Row(TitleLbl, {this, "Panel1", "TitleLbl", {60, 10, 210, 40}, "Marrowby\r\nSchedule Manager"}),
      Row(NameLbl, {this, "Panel1", "NameLbl", {60, 56, 260, 14}, maker::kName}),
      Row(StreetLbl, {this, "Panel1", "StreetLbl", {60, 70, 260, 14}, maker::kStreet}),
      Row(TownLbl, {this, "Panel1", "TownLbl", {60, 84, 260, 14}, maker::kTown}),
      Row(CommentsLbl, {this, "Panel1", "CommentsLbl", {10, 104, 311, 14},
                        "Comments, Orders or Suggestions should be addressed to"}),
      // Beside the title, clear of the address lines (which span the width).
      Row(VersionLbl, {this, "Panel1", "VersionLbl", {272, 16, 54, 28},
                       "Version " MARROWBY_VERSION_TEXT}),
      Row(EmailLbl, {this, "Panel1", "EmailLbl", {10, 118, 311, 14}, maker::kEmail}),
      Row(WebBtn, {this, "Panel1", "WebBtn", {10, 138, 190, 23}, maker::kWebAddress}),
      Row(OKBtn, {this, "Panel1", "OKBtn", {246, 138, 75, 23}, "&OK"}));
  Image1->ResourceName = "MAINICON";
  TitleLbl->WordWrap = true;
  TitleLbl->Centered = true;
  TitleLbl->SetFontHeight(17);
  TitleLbl->SetBold(true);
  VersionLbl->WordWrap = true;
  OKBtn->Default = true;
  Image1->OnDblClick = [this](TObject*) { Image1DblClick(); };
  WebBtn->OnClick = [this](TObject*) { WebClick(); };
  OKBtn->OnClick = [this](TObject*) { SetModalResult(mrOk); };
}

void TAboutForm::Image1DblClick() {
  if (picture_) picture_->ShowModal();
}

void TAboutForm::WebClick() {
  if (website_) website_();
}

}  // namespace marrowby
