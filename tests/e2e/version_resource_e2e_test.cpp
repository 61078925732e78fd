// What a player sees in Pacelark.dll's file properties, read the way Windows
// reads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string versionString(const std::vector<char>& info, const char* name) {
    char* value = nullptr;
    UINT size = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &size) || size == 0) return {};
    return std::string(value, strnlen(value, size));
}

TEST(VersionResource, NamesTheProductItsVersionAndWhatItDoes) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA("Pacelark.dll", &ignored);
    ASSERT_GT(size, 0u) << "Pacelark.dll has no version resource";
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA("Pacelark.dll", 0, size, info.data()));

    EXPECT_EQ(versionString(info, "ProductName"), "Pacelark");
    EXPECT_EQ(versionString(info, "ProductVersion"), PLK_PROJECT_VERSION);
    EXPECT_EQ(versionString(info, "FileVersion"), PLK_PROJECT_VERSION);
    EXPECT_EQ(versionString(info, "OriginalFilename"), "Pacelark.dll");
    const std::string description = versionString(info, "FileDescription");
    EXPECT_NE(description.find("walking speed"), std::string::npos) << description;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    const std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numbers, PLK_PROJECT_VERSION);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
}

}  // namespace
