// What setuppack reads and writes in the stub's PE image: the manifest's
// execution level, rewritten in place, and the rule that admits a
// certificate table behind a package and nothing else.
#include <glib.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "setup/pe_image.h"
#include "tests/unit/setup_pe.h"
#include "tools/setuppack/manifest_level.h"

namespace marrowby::setuppack {
namespace {

using setup::CertificateTable;
using setup::PackageEnd;

std::string StubManifest() {
  std::ifstream in(SETUP_MANIFEST_PATH, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The attributes of every element, as GLib's own XML parser reads them;
// fails the test when the text is not well-formed.
std::map<std::string, std::map<std::string, std::string>> Elements(const std::string& xml) {
  std::map<std::string, std::map<std::string, std::string>> found;
  GMarkupParser parser{};
  parser.start_element = [](GMarkupParseContext*, const gchar* name, const gchar** names,
                            const gchar** values, gpointer data, GError**) {
    auto& attributes = (*static_cast<decltype(found)*>(data))[name];
    for (size_t i = 0; names[i]; ++i) attributes[names[i]] = values[i];
  };
  GMarkupParseContext* context =
      g_markup_parse_context_new(&parser, G_MARKUP_DEFAULT_FLAGS, &found, nullptr);
  GError* error = nullptr;
  const bool ok = g_markup_parse_context_parse(context, xml.data(), static_cast<gssize>(xml.size()),
                                               &error) &&
                  g_markup_parse_context_end_parse(context, &error);
  EXPECT_TRUE(ok) << (error ? error->message : "") << "\n" << xml;
  if (error) g_error_free(error);
  g_markup_parse_context_free(context);
  return found;
}

// The manifest as it stands in an image made by PeWithManifest.
std::string ManifestIn(const std::vector<uint8_t>& image, size_t size) {
  return std::string(image.begin() + 0x258, image.begin() + 0x258 + static_cast<long>(size));
}

TEST(ManifestLevel, RewrittenInPlaceToWellFormedXmlWithTheNewLevel) {
  const std::string manifest = StubManifest();
  ASSERT_FALSE(manifest.empty());
  const std::vector<uint8_t> stub = testing::PeWithManifest(manifest);
  EXPECT_EQ(ExecutionLevel(stub), kAsInvoker);
  EXPECT_EQ(Elements(manifest)["requestedExecutionLevel"]["level"], kAsInvoker);

  std::vector<uint8_t> admin = stub;
  ASSERT_TRUE(SetExecutionLevel(admin, kRequireAdministrator));
  ASSERT_EQ(admin.size(), stub.size());
  EXPECT_EQ(ExecutionLevel(admin), kRequireAdministrator);
  const auto elements = Elements(ManifestIn(admin, manifest.size()));
  const std::map<std::string, std::string> level = {{"level", kRequireAdministrator}};
  EXPECT_EQ(elements.at("requestedExecutionLevel"), level);
  EXPECT_EQ(elements.size(), Elements(manifest).size());
  ASSERT_TRUE(SetExecutionLevel(admin, kAsInvoker));
  EXPECT_EQ(admin, stub);  // back to the very bytes

  // Room is what follows the value up to the end of the tag; a following
  // attribute keeps one space before it.
  const std::string tight = "<assembly><requestedExecutionLevel level='asInvoker' uiAccess='false'/></assembly>";
  std::vector<uint8_t> image = testing::PeWithManifest(tight);
  EXPECT_FALSE(SetExecutionLevel(image, kRequireAdministrator));
  EXPECT_EQ(image, testing::PeWithManifest(tight));
  const std::string spaces11 = std::string(11, ' ');
  image = testing::PeWithManifest("<assembly><requestedExecutionLevel level='asInvoker'" +
                                  spaces11 + "uiAccess='false'/></assembly>");
  EXPECT_FALSE(SetExecutionLevel(image, kRequireAdministrator));
  const std::string roomy = "<assembly><requestedExecutionLevel level='asInvoker'" + spaces11 +
                            " uiAccess='false'/></assembly>";
  image = testing::PeWithManifest(roomy);
  ASSERT_TRUE(SetExecutionLevel(image, kRequireAdministrator));
  const std::map<std::string, std::string> both = {{"level", kRequireAdministrator},
                                                   {"uiAccess", "false"}};
  EXPECT_EQ(Elements(ManifestIn(image, roomy.size()))["requestedExecutionLevel"], both);

  // No manifest, or none that names a level.
  std::vector<uint8_t> bare(stub.begin(), stub.begin() + 0x200);
  EXPECT_EQ(ExecutionLevel(bare), "");
  EXPECT_FALSE(SetExecutionLevel(bare, kAsInvoker));
  EXPECT_EQ(ExecutionLevel(testing::PeWithManifest("<assembly/>")), "");
}

TEST(PeImage, OnlyACertificateTableDirectlyBehindThePackageIsLeftOut) {
  for (const uint64_t expected : {1000ull, 1001ull, 1007ull}) {
    const uint32_t table = static_cast<uint32_t>((expected + 7) / 8 * 8);
    SCOPED_TRACE(expected);
    // Unsigned: the file is the package, or it is damaged.
    EXPECT_EQ(PackageEnd({0, 0}, expected, expected), expected);
    EXPECT_EQ(PackageEnd({0, 0}, expected + 1, expected), expected + 1);
    EXPECT_EQ(PackageEnd({0, 0}, expected - 1, expected), expected - 1);
    // Signed: the table at the next multiple of 8, ending the file.
    EXPECT_EQ(PackageEnd({table, 16}, table + 16, expected), expected);
    // A byte after the signature, a table further on, one too small to be
    // a certificate, one reaching past the end.
    EXPECT_EQ(PackageEnd({table, 16}, table + 17, expected), table + 17);
    EXPECT_EQ(PackageEnd({table + 8, 16}, table + 24, expected), table + 24);
    EXPECT_EQ(PackageEnd({table, 4}, table + 4, expected), table + 4);
    EXPECT_EQ(PackageEnd({table, 0xFFFFFFFF}, table + 16, expected), table + 16);
  }
  // Unaligned right behind the package: not where the PE format puts it.
  EXPECT_EQ(PackageEnd({1001, 16}, 1017, 1001), 1017u);

  const std::vector<uint8_t> image = testing::PeWithManifest("<assembly/>");
  setup::PeLayout layout;
  ASSERT_TRUE(setup::ReadPeLayout(image.data(), image.size(), &layout));
  const CertificateTable none = setup::ReadCertificateTable(image.data(), layout);
  EXPECT_EQ(none.offset, 0u);
  EXPECT_EQ(none.size, 0u);
  EXPECT_EQ(layout.checksumOffset, 0x40u + 24 + 64);
  // Headers cut before the section table are no layout.
  EXPECT_FALSE(setup::ReadPeLayout(image.data(), 0x40 + 24 + 0xE0 + 39, &layout));
}

}  // namespace
}  // namespace marrowby::setuppack
