// What wzrv.exe carries besides its code, read out of the built file: the
// manifest (DPI awareness, supported systems, no elevation) and the version
// resource (product name and the project's version, in Japanese and English).
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"
#include "tests/e2e/pe_resources.h"

namespace e2e {
namespace {

constexpr unsigned RT_VERSION_ = 16, RT_MANIFEST_ = 24;

const PeResource* Find(const std::vector<PeResource>& all, unsigned type, unsigned id) {
  for (const PeResource& r : all)
    if (r.type == type && r.id == id) return &r;
  return nullptr;
}

class ProgramFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(ReadPeResources(ExePath(), &resources_, &error)) << error;
  }
  std::vector<PeResource> resources_;
};

TEST_F(ProgramFileTest, ManifestDeclaresPerMonitorDpiSupportedSystemsAndAsInvoker) {
  const PeResource* m = Find(resources_, RT_MANIFEST_, 1);
  ASSERT_NE(m, nullptr) << "no manifest resource 1";
  const std::string& xml = m->bytes;
  EXPECT_EQ(xml.rfind("<?xml", 0), 0u);
  const std::vector<std::string> wanted = {
      "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>",
      "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
      "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
      "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
      "version=\"" WZRV_E2E_VERSION ".0\"",
  };
  for (const std::string& w : wanted) EXPECT_NE(xml.find(w), std::string::npos) << "missing " << w;
}

TEST_F(ProgramFileTest, VersionResourceNamesTheProductAndTheProjectVersionInBothLanguages) {
  const PeResource* v = Find(resources_, RT_VERSION_, 1);
  ASSERT_NE(v, nullptr) << "no version resource 1";
  VersionInfo info;
  std::string error;
  ASSERT_TRUE(ParseVersionInfo(v->bytes, &info, &error)) << error;
  unsigned expected[3] = {};
  ASSERT_EQ(std::sscanf(WZRV_E2E_VERSION, "%u.%u.%u", &expected[0], &expected[1], &expected[2]), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(info.fileVersion[i], expected[i]);
    EXPECT_EQ(info.productVersion[i], expected[i]);
  }
  EXPECT_EQ(info.fileType, 1u);  // an application
  EXPECT_EQ(info.fileOs, 0x40004u);  // Windows NT, 32-bit
  for (const char* table : {"041104B0", "040904B0"}) {
    SCOPED_TRACE(table);
    ASSERT_EQ(info.strings.count(table), 1u);
    const auto& s = info.strings.at(table);
    EXPECT_EQ(s.at("ProductName"), "Windows Z.R.V");
    EXPECT_EQ(s.at("ProductVersion"), WZRV_E2E_VERSION);
    EXPECT_EQ(s.at("FileVersion"), WZRV_E2E_VERSION);
    EXPECT_EQ(s.at("OriginalFilename"), "wzrv.exe");
    EXPECT_FALSE(s.at("FileDescription").empty());
    EXPECT_NE(s.at("LegalCopyright").find("Copyright"), std::string::npos);
  }
  EXPECT_EQ(info.strings.at("041104B0").at("FileDescription"), "Windows Z.R.V - Zorvel フィールドの画面ロック");
  EXPECT_EQ(info.translations, (std::vector<unsigned>{0x041104B0u, 0x040904B0u}));
}

// The product is the 32-bit program, whichever build the tests run; the build
// under test is a GUI program for the processor its Wine runs.
TEST_F(ProgramFileTest, HeadersNameTheProcessorAndAWindowsGuiProgram) {
  std::string error;
  PeHeader product;
  ASSERT_TRUE(ReadPeHeader(ProductDir() + "/wzrv.exe", &product, &error)) << error;
  EXPECT_EQ(product.machine, 0x14Cu);
  EXPECT_EQ(product.magic, 0x10Bu);
  EXPECT_EQ(product.subsystem, 2u);

  PeHeader tested;
  ASSERT_TRUE(ReadPeHeader(ExePath(), &tested, &error)) << error;
  const bool x64 = Env("WZRV_WINE64_ONLY") == "1";
  EXPECT_EQ(tested.machine, x64 ? 0x8664u : 0x14Cu);
  EXPECT_EQ(tested.magic, x64 ? 0x20Bu : 0x10Bu);
  EXPECT_EQ(tested.subsystem, 2u);

  // Each file's manifest names its own processor (Windows refuses an x86-64
  // program whose manifest says x86).
  for (const auto& [path, arch] : {std::pair{ProductDir() + "/wzrv.exe", std::string("x86")},
                                   std::pair{ExePath(), std::string(x64 ? "amd64" : "x86")}}) {
    std::vector<PeResource> resources;
    ASSERT_TRUE(ReadPeResources(path, &resources, &error)) << error;
    const PeResource* m = Find(resources, RT_MANIFEST_, 1);
    ASSERT_NE(m, nullptr) << path;
    EXPECT_NE(m->bytes.find("processorArchitecture=\"" + arch + "\""), std::string::npos) << path << ":\n" << m->bytes;
  }
}

}  // namespace
}  // namespace e2e
