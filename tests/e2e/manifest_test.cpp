// The application manifest carried in the built player (resource type 24, id 1):
// what Windows reads of it before the first line of the program runs.
#include "driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ManifestOf(const std::string &program)
{
    HMODULE module = LoadLibraryExA(program.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module)
        return "";
    std::string text;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const char *bytes = loaded ? (const char *)LockResource(loaded) : NULL;
    if (bytes)
        text.assign(bytes, SizeofResource(module, found));
    FreeLibrary(module);
    return text;
}

TEST(Manifest, ThePlayerCarriesItsManifest)
{
    const std::string manifest = ManifestOf(BuiltFile("Vizor_Movie.exe"));
    ASSERT_FALSE(manifest.empty()) << "no resource of type 24 with id 1";
    const struct {
        const char *what, *text;
    } required[] = {
        {"runs with the rights of its user", "level=\"asInvoker\""},
        {"common controls 6", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""},
        {"DPI aware", "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"},
        {"Windows 7", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"},
        {"Windows 8", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"},
        {"Windows 8.1", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"},
        {"Windows 10 and 11", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},
    };
    for (const auto &r : required)
        EXPECT_NE(std::string::npos, manifest.find(r.text)) << r.what;
    EXPECT_EQ(std::string::npos, manifest.find("requireAdministrator"));
}

} // namespace
