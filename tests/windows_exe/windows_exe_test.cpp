// Checks the built fhswitch.exe, fhstatus.exe or fhsettings.exe itself (run on Linux): what it imports, the
// manifest and version it carries, what stands beside it. The exe's path and
// the project's version come as the arguments.
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/windows_exe/pe_image.h"
#include "tests/windows_exe/version_info.h"

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;

namespace {

std::string& ExecutablePath() {
    static std::string path;
    return path;
}

// "fhswitch", "fhstatus" or "fhsettings", from the exe's name.
std::string Program() { return std::filesystem::path(ExecutablePath()).stem().string(); }

std::string& ProjectVersion() {
    static std::string version;
    return version;
}

// Linked statically: no libstdc++, libgcc or winpthread DLL (advapi32 gives the
// user's name, as KnownDLLs, like the rest). Nor fhsvcctl.dll:
// statically imported, it would be looked for beside the exe first.
TEST(WindowsExecutable, ImportsOnlyWindowsOwnLibraries) {
    const windows_exe::PeImage image(ExecutablePath());
    ASSERT_TRUE(image.valid()) << ExecutablePath();
    EXPECT_THAT(image.importedDlls(),
                ::testing::IsSubsetOf({"ADVAPI32.dll", "KERNEL32.dll", "msvcrt.dll", "ole32.dll", "OLEAUT32.dll"}));
    EXPECT_THAT(image.importedDlls(), ::testing::IsSupersetOf({"KERNEL32.dll", "ole32.dll"}));
}

// A build never puts a test double beside the product: a folder copied to a
// machine as it is would carry the stand-ins with it.
TEST(WindowsExecutable, HasNoLibraryBesideIt) {
    const std::filesystem::path folder = std::filesystem::path(ExecutablePath()).parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string extension = entry.path().extension().string();
        for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_NE(extension, ".dll") << entry.path();
    }
}

TEST(WindowsExecutable, CarriesAnAsInvokerManifestWithTheUtf8CodePage) {
    const windows_exe::PeImage image(ExecutablePath());
    ASSERT_TRUE(image.valid()) << ExecutablePath();
    const auto manifest = image.resource(24, 1);  // RT_MANIFEST, id 1
    ASSERT_TRUE(manifest);
    EXPECT_THAT(*manifest, HasSubstr("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"));
    EXPECT_THAT(*manifest,
                HasSubstr("<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">"
                          "UTF-8</activeCodePage>"));
}

// The project's version, and the program's own names, as Windows shows them
// under Properties > Details.
TEST(WindowsExecutable, CarriesTheProjectsVersion) {
    const windows_exe::PeImage image(ExecutablePath());
    ASSERT_TRUE(image.valid()) << ExecutablePath();
    const auto resource = image.resource(16, 1);  // RT_VERSION, id 1
    ASSERT_TRUE(resource);
    const auto version = windows_exe::ReadVersionInfo(*resource);
    ASSERT_TRUE(version);
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(ProjectVersion().c_str(), "%u.%u.%u", &major, &minor, &patch), 3) << ProjectVersion();
    const std::array<unsigned, 4> numbers = {major, minor, patch, 0};
    EXPECT_EQ(version->fileVersion, numbers);
    EXPECT_EQ(version->productVersion, numbers);
    EXPECT_THAT(version->strings,
                UnorderedElementsAre(Pair("FileDescription", Not(IsEmpty())), Pair("FileVersion", ProjectVersion()),
                                     Pair("InternalName", Program()), Pair("OriginalFilename", Program() + ".exe"),
                                     Pair("ProductName", "fhswitch"), Pair("ProductVersion", ProjectVersion())));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PATH-TO-fhswitch.exe-fhstatus.exe-OR-fhsettings.exe PROJECT-VERSION\n", argv[0]);
        return 2;
    }
    ExecutablePath() = argv[1];
    ProjectVersion() = argv[2];
    return RUN_ALL_TESTS();
}
