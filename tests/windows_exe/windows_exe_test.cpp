// Checks the built fhswitch.exe itself (run on Linux): what it imports and
// the manifest it carries. The path comes as the only argument.
#include <cctype>
#include <filesystem>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/windows_exe/pe_image.h"

using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

namespace {

std::string& ExecutablePath() {
    static std::string path;
    return path;
}

TEST(WindowsExecutable, ImportsOnlySystemLibrariesAndFhsvcctl) {
    const windows_exe::PeImage image(ExecutablePath());
    ASSERT_TRUE(image.valid()) << ExecutablePath();
    // Linked statically: no libstdc++, libgcc or winpthread DLL.
    EXPECT_THAT(image.importedDlls(), UnorderedElementsAre("KERNEL32.dll", "msvcrt.dll", "ole32.dll",
                                                           "OLEAUT32.dll", "fhsvcctl.dll"));
}

// The loader binds a fhsvcctl.dll beside the exe before the system's: a
// stand-in there would make "fhswitch -D" report success, stopping nothing.
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

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PATH-TO-fhswitch.exe\n", argv[0]);
        return 2;
    }
    ExecutablePath() = argv[1];
    return RUN_ALL_TESTS();
}
