// The configuration panel's Save and OK with a group shown with nothing checked
// (a fresh player, whose records are 0): such a group keeps its value.
#include "config/panel.h"
#include "config/registry.h"
#include "config/settings_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace settings_test;

namespace {

std::string Dword(DWORD value) { return std::string((const char *)&value, sizeof value); }

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPlayerRecords(); }
    SettingsKeys keys;
    SettingsLog log;
    BoxRecorder boxes;
};

TEST_F(PanelTest, SaveWritesEveryValueToTheUsersKeys)
{
    SettingsKeys::MakeUnwritable(HKEY_LOCAL_MACHINE); // as for a standard user
    panelSettings = {OUTPUT_3D_TO_2D, PURE_LR, RIGHT_TOP, VIDEOMEMORY_METHOD1, 70};
    SaveConfiguration();
    const struct {
        const char *key, *valueName;
        DWORD value;
        // clang-format off
    } stored[] = {
        {szKey1, "StereoCodingFormat", 1078}, {szKey1, "EyeCodingFormat", 1081},
        {szKey2, "OutputFormat", 1075},       {szKey2, "VideomemoryMethod", 1082},
        {szKey2, "StrenghtOf2Dto3DEffect", 70},
    };
    // clang-format on
    for (const auto &s : stored)
        EXPECT_EQ(Dword(s.value), SettingsKeys::GetUser(s.key, s.valueName)) << s.valueName;
    EXPECT_EQ("Configuration Changes Saved to Registry \n", log.Body());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PanelTest, SaveNeverStoresAGroupShownWithNothingChecked)
{
    SettingsKeys::SetUserNumber(szKey2, "OutputFormat", 1074);
    const struct {
        const char *name;
        PanelSettings shown;
    } cases[] = {
        {"fresh player: only the strength is set", {0, 0, 0, 0, 0}},
        {"outside every group", {1076, 1072, 1083, 1080, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        panelSettings = c.shown;
        SaveConfiguration();
        EXPECT_EQ(Dword(1074), SettingsKeys::GetUser(szKey2, "OutputFormat")) << "kept as stored";
        EXPECT_EQ("", SettingsKeys::GetUser(szKey1, "StereoCodingFormat")) << "not written";
        EXPECT_EQ("", SettingsKeys::GetUser(szKey1, "EyeCodingFormat"));
        EXPECT_EQ("", SettingsKeys::GetUser(szKey2, "VideomemoryMethod"));
        EXPECT_EQ(Dword(0), SettingsKeys::GetUser(szKey2, "StrenghtOf2Dto3DEffect")) << "a strength is always shown";
    }
}

// Gives the user's movie key an access list that lets everyone read it and no
// one write it, as a locked-down profile or another program may; the owner
// takes the list back afterwards (the key cannot be deleted under it).
class KeyRefusingWrites {
public:
    explicit KeyRefusingWrites(const char *key)
    {
        SettingsKeys::SetUserNumber(key, "StrenghtOf2Dto3DEffect", 10);
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, WRITE_DAC, &handle));
        EXPECT_TRUE(SetAccess(KEY_READ));
    }
    ~KeyRefusingWrites()
    {
        EXPECT_TRUE(SetAccess(KEY_ALL_ACCESS));
        RegCloseKey(handle);
    }

private:
    bool SetAccess(DWORD access)
    {
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = NULL;
        if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
            return false;
        BYTE aclBytes[128];
        PACL acl = (PACL)aclBytes;
        SECURITY_DESCRIPTOR descriptor;
        bool done = InitializeAcl(acl, sizeof aclBytes, ACL_REVISION) &&
                    AddAccessAllowedAce(acl, ACL_REVISION, access, everyone) &&
                    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
                    RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        FreeSid(everyone);
        return done;
    }
    HKEY handle = NULL;
};

// Save where the registry does not keep the settings: the failed writes are
// logged as before, and one box tells the user; what could be stored is stored.
TEST_F(PanelTest, SaveTellsTheUserOnceWhenTheSettingsAreNotKept)
{
    const std::string notSaved = "Warning !! The settings could not be saved to the registry\n";
    const std::string lostAtLogOff =
        "Warning !! Registry key HKEY_CURRENT_USER\\Software\\Brontide\\Vizor Cinema\\movie is volatile: the "
        "settings are lost when the user logs off\n";
    const std::string outputKeyFailures =
        "RegistryWrite(HKEY_LOCAL_MACHINE,szKey1,\"StereoCodingFormat\", NULL, movie.StereoCodingFormat)  failed with "
        "HRESULT(0x00000001)\n"
        "RegistryWrite(HKEY_LOCAL_MACHINE,szKey1,\"EyeCodingFormat\", NULL, movie.EyeCodingFormat)  failed with "
        "HRESULT(0x00000001)\n";
    const std::string movieKeyFailures =
        "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"OutputFormat\",NULL,output.OutputFormat)  failed with "
        "HRESULT(0x00000001)\n"
        "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"VideomemoryMethod\",NULL,output.VideomemoryMethod)  failed with "
        "HRESULT(0x00000001)\n"
        "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"StrenghtOf2Dto3DEffect\",NULL, output.StrenghtOf2Dto3DEffect)  "
        "failed with HRESULT(0x00000001)\n"
        "RegistryWrite(HKEY_CURRENT_USER,szKey2,\"LayoutFromFileName\") failed\n"
        "Configuration Changes Saved to Registry \n";
    enum Fault { LOCKED_MOVIE_KEY, VOLATILE_PARENT, VOLATILE_MOVIE_KEY };
    const struct {
        const char *name;
        Fault fault;
        std::string log, boxText;
        bool outputKeyStored, movieKeyStored;
    } cases[] = {
        {"movie key refuses writes", LOCKED_MOVIE_KEY, movieKeyFailures + notSaved, "Couldn't save the settings", true,
         false},
        {"no lasting key can be made", VOLATILE_PARENT, outputKeyFailures + movieKeyFailures + notSaved,
         "Couldn't save the settings", false, false},
        {"movie key is volatile", VOLATILE_MOVIE_KEY, "Configuration Changes Saved to Registry \n" + lostAtLogOff,
         "The settings are kept only until you log off", true, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SettingsKeys::Delete();
        log.Clear();
        BoxRecorder::Boxes().clear();
        panelSettings = {OUTPUT_3D_TO_2D, PURE_LR, RIGHT_TOP, VIDEOMEMORY_METHOD1, 70};
        {
            std::unique_ptr<KeyRefusingWrites> locked;
            if (c.fault == LOCKED_MOVIE_KEY)
                locked.reset(new KeyRefusingWrites(szKey2));
            if (c.fault == VOLATILE_PARENT)
                SettingsKeys::MakeUnwritable(HKEY_CURRENT_USER);
            if (c.fault == VOLATILE_MOVIE_KEY) {
                HKEY key;
                SettingsKeys::SetUserNumber(szKey1, "EyeCodingFormat", LEFT_TOP); // a lasting parent
                ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, szKey2, 0, NULL, REG_OPTION_VOLATILE,
                                                         KEY_ALL_ACCESS, NULL, &key, NULL));
                RegCloseKey(key);
            }
            SaveConfiguration((HWND)0x1234);
        }
        EXPECT_EQ(c.log, log.Body());
        ASSERT_EQ(1u, BoxRecorder::Boxes().size());
        EXPECT_EQ(c.boxText, BoxRecorder::Boxes()[0].text);
        EXPECT_EQ("Error", BoxRecorder::Boxes()[0].caption);
        EXPECT_EQ((HWND)0x1234, BoxRecorder::Boxes()[0].owner) << "the panel owns it";
        EXPECT_EQ(c.outputKeyStored ? Dword(1081) : "", SettingsKeys::GetUser(szKey1, "EyeCodingFormat"));
        EXPECT_EQ(c.movieKeyStored ? Dword(70) : (c.fault == LOCKED_MOVIE_KEY ? Dword(10) : ""),
                  SettingsKeys::GetUser(szKey2, "StrenghtOf2Dto3DEffect"));
    }
}

// The check for a volatile key leaves nothing behind in a lasting one.
TEST_F(PanelTest, SaveToLastingKeysLeavesNoProbeKey)
{
    panelSettings = {OUTPUT_3D_TO_2D, PURE_LR, RIGHT_TOP, VIDEOMEMORY_METHOD1, 70};
    SaveConfiguration();
    EXPECT_TRUE(boxes.Boxes().empty());
    for (const char *key : {szKey1, szKey2}) {
        HKEY handle;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle)) << key;
        DWORD subkeys = 99;
        EXPECT_EQ(ERROR_SUCCESS,
                  RegQueryInfoKeyA(handle, NULL, NULL, NULL, &subkeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL));
        EXPECT_EQ(0u, subkeys) << key;
        RegCloseKey(handle);
    }
}

TEST_F(PanelTest, OkKeepsTheRecordOfAGroupShownWithNothingChecked)
{
    output.OutputFormat = OUTPUT_PURE_INTERLACED;
    movie.StereoCodingFormat = SHIFTED_AB;
    movie.EyeCodingFormat = LEFT_TOP;
    output.VideomemoryMethod = VIDEOMEMORY_METHOD2;
    movie.state = Uninitialized;
    panelSettings = {0, PURE_AB, 0, 0, 35};
    bPanelAccepted = 1;
    ApplyConfigurationPanel(movie, output);
    EXPECT_EQ(OUTPUT_PURE_INTERLACED, output.OutputFormat);
    EXPECT_EQ(PURE_AB, movie.StereoCodingFormat) << "a checked group is applied";
    EXPECT_EQ(LEFT_TOP, movie.EyeCodingFormat);
    EXPECT_EQ(VIDEOMEMORY_METHOD2, output.VideomemoryMethod);
    EXPECT_EQ(35, output.StrenghtOf2Dto3DEffect);
}

} // namespace
