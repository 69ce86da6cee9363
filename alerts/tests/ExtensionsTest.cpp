#include "alerts/Extensions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/AdvFactories.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

using Args = std::vector<std::string>;

class ExtensionsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterCoreClasses();
    RegisterExtensionClasses();
  }
};

// A script that writes each of its arguments on a line of "<script>.out"
// (written whole, then renamed, so a reader never sees half of it).
std::string MakeRecorder(const std::string& folder) {
  const std::string script = folder + "/record";
  vexatest::WriteScript(script,
                        "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.tmp\" && "
                        "mv \"$0.tmp\" \"$0.out\"\n");
  return script;
}

std::string WaitForText(const std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!std::filesystem::exists(path) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return vexatest::ReadFileText(path);
}

TEST_F(ExtensionsTest, SplitsTemplateBeforeReplacingParameter) {
  struct TCase {
    std::string Command, Parameter;
    Args Expected;
  } cases[] = {
      {"C:\\Tools\\lookup.exe %1", "jsmith", {"C:\\Tools\\lookup.exe", "jsmith"}},
      {"\"C:\\Program Files\\Look Up\\lookup.exe\" %1",
       "jsmith",
       {"C:\\Program Files\\Look Up\\lookup.exe", "jsmith"}},
      {"\"/opt/my tool\"   -u %1  ", "jsmith", {"/opt/my tool", "-u", "jsmith"}},
      {"notepad", "jsmith", {"notepad"}},
      {"finger %1", "John Smith; rm -rf ~", {"finger", "John Smith; rm -rf ~"}},
      {"tool \"--name=%1 (user)\" %1%1", "a b", {"tool", "--name=a b (user)", "a ba b"}},
      {"tool x%1y", "%1", {"tool", "x%1y"}},
      {"tool \"\" %1", "u", {"tool", "", "u"}},
      {"%1 --help", "prog", {"prog", "--help"}},
      {"\"unclosed %1", "u", {}},
      {"\"\" %1", "u", {}},
      {"", "u", {}},
      {" %1", "u", {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Command);
    auto extension = AdvNew<TExecutableExtension>("Look up", c.Command);
    EXPECT_EQ(extension->Arguments(c.Parameter), c.Expected);
  }
}

TEST_F(ExtensionsTest, RunsProgramWithParameterAsOneLiteralArgument) {
  const std::string folder = vexatest::MakeTempFolder("ext with space");
  const std::string script = MakeRecorder(folder);
  const std::string parameter = "O'Brien \"Dan\" $(touch pwned) `id` ; & | > x %1 *";
  auto extension =
      AdvNew<TExecutableExtension>("Record", "\"" + script + "\" --user %1 \"in %1 out\"");
  ASSERT_TRUE(extension->Run(parameter));
  EXPECT_EQ(WaitForText(script + ".out"), "--user\n" + parameter + "\nin " + parameter + " out\n");
  EXPECT_FALSE(std::filesystem::exists(folder + "/pwned"));
  EXPECT_FALSE(std::filesystem::exists("pwned"));
}

TEST_F(ExtensionsTest, ProgramOnPathWithoutArguments) {
  vexatest::ScopedFakeProgram fake("vexa-ext-probe",
                                   "printf '%s' \"$#\" > \"$(dirname \"$0\")/count\"\n");
  auto extension = AdvNew<TExecutableExtension>("Probe", "vexa-ext-probe");
  ASSERT_TRUE(extension->Run("ignored"));
  EXPECT_EQ(WaitForText(fake.Folder() + "/count"), "0");
}

TEST_F(ExtensionsTest, MissingProgramOrUnclosedQuoteReturnsFalse) {
  auto missing = AdvNew<TExecutableExtension>("Missing", "/nonexistent/vexa-tool %1");
  EXPECT_FALSE(missing->Run("u"));
  auto unclosed = AdvNew<TExecutableExtension>("Unclosed", "\"/bin/true %1");
  EXPECT_FALSE(unclosed->Run("u"));
  EXPECT_EQ(unclosed->TypeName(), "Run executable");
}

TEST_F(ExtensionsTest, FileKeepsOrderClassesAndFields) {
  const std::string file = vexatest::MakeTempFolder("extfile") + "/" + kExtensionsFileName;
  auto list = AdvNew<TVexaExtensions>();
  auto second = AdvNew<TExecutableExtension>("Zeta lookup", "zeta %1");
  second->SetBinding(7);
  list->Add(second.Detach());
  list->Add(AdvNew<TExecutableExtension>("Alpha ping", "\"/usr/bin/ping\" -c 1 %1").Detach());
  SaveExtensionsFile(*list, file);
  EXPECT_NE(vexatest::ReadFileText(file).find("TExecutableExtension"), std::string::npos);

  auto loaded = AdvNew<TVexaExtensions>();
  ASSERT_EQ(LoadExtensionsFile(*loaded, file), "");
  ASSERT_EQ(loaded->Count(), 2);
  auto* first = AdvCast<TExecutableExtension>(loaded->Extension(0));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Name(), "Zeta lookup");
  EXPECT_EQ(first->Command(), "zeta %1");
  EXPECT_EQ(first->Binding(), 7);
  EXPECT_EQ(loaded->Extension(1)->Name(), "Alpha ping");

  auto copy = AdvNew<TVexaExtensions>();
  copy->TakeExtensionsOf(*loaded);
  ASSERT_EQ(copy->Count(), 2);
  EXPECT_NE(copy->Extension(0), loaded->Extension(0));
  EXPECT_EQ(static_cast<TExecutableExtension*>(copy->Extension(1))->Command(),
            "\"/usr/bin/ping\" -c 1 %1");
}

TEST_F(ExtensionsTest, DamagedFileIsKeptAsideAndListUnchanged) {
  const std::string folder = vexatest::MakeTempFolder("extbad");
  const std::string file = folder + "/" + kExtensionsFileName;
  auto list = AdvNew<TVexaExtensions>();
  list->Add(AdvNew<TExecutableExtension>("Keep", "keep %1").Detach());
  SaveExtensionsFile(*list, file);
  const std::string saved = vexatest::ReadFileText(file);
  vexatest::WriteFileText(file, saved.substr(0, saved.size() / 2));
  EXPECT_NE(LoadExtensionsFile(*list, file), "");
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Extension(0)->Name(), "Keep");
  EXPECT_TRUE(std::filesystem::exists(file + ".bad"));
  EXPECT_EQ(LoadExtensionsFile(*list, folder + "/missing"), "");
  EXPECT_EQ(list->Count(), 1);
}

}  // namespace
