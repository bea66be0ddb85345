// Choice of the temporary root and creation of the work folder.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <map>
#include <set>

#include "context.h"
#include "payload.h"
#include "test_support.h"

namespace {

// Free space by root, for the seam; roots not listed have none.
std::map<std::string, uint64_t> g_free;
uint64_t g_freeEverywhere;
std::vector<std::string> g_asked;

int fakeFreeKb(const char *path, uint64_t *freeKb)
{
    g_asked.push_back(path);
    auto it = g_free.find(path);
    *freeKb = it != g_free.end() ? it->second : g_freeEverywhere;
    return 1;
}

struct WorkFolderFixture : ::testing::Test {
    LauncherState state;
    TempFolder folder;
    std::string root = folder.path() + "\\";
    std::string program = folder.file("setup.exe");

    void SetUp() override
    {
        g_free.clear();
        g_asked.clear();
        g_freeEverywhere = 0;
        g_pfnDiskFreeKb = fakeFreeKb;
    }
    std::unique_ptr<SetupContext> context(const std::vector<FixtureEntry> &entries)
    {
        WriteBytes(program, FakeImage() + (entries.empty() ? std::string() : ContainerBytes(entries)));
        std::unique_ptr<SetupContext> c(new SetupContext(GetModuleHandleA(NULL), program.c_str()));
        SetupContext::assign(c->sourceFolder, folder.path().c_str());
        return c;
    }
};

} // namespace

TEST_F(WorkFolderFixture, RootRules)
{
    const uint64_t fourTiBInKb = uint64_t(4) << 30;
    struct Case {
        std::string root;
        uint64_t freeKb;
        uint64_t needKb;
        bool qualifies;
        const char *why;
    } cases[] = {
        {root, 8000, 8000, false, "free space equal to the need"},
        {root, 8001, 8000, true, "one KB more"},
        {root, 0, 0, false, "nothing free"},
        {root, fourTiBInKb, 8000, true, "4 TiB free (a 32-bit count would wrap to 0)"},
        {root, fourTiBInKb + 5, fourTiBInKb + 4, true, "a need above 4 TiB"},
        {"\\\\server\\share\\", 1u << 30, 1, false, "a path beginning with two backslashes"},
        {"1:\\", 1u << 30, 1, false, "not a letter"},
        {"Q:\\no such folder\\", 1u << 30, 1, false, "the write probe fails"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        g_free[c.root] = c.freeKb;
        EXPECT_EQ(rootQualifies(c.root.c_str(), c.needKb), c.qualifies);
        EXPECT_FALSE(PathPresent(c.root + "_MSI5166._PW")) << "the probe file stays";
    }
}

TEST_F(WorkFolderFixture, WriteProbeWorksInLongFolders)
{
    // Longer than the 128 characters an OpenFile name may have.
    std::string deep = folder.path() + "\\" + std::string(100, 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    deep += "\\" + std::string(60, 'e');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    ASSERT_GT(deep.size(), 128u);
    EXPECT_TRUE(writeProbe(deep.c_str()));
    EXPECT_FALSE(PathPresent(deep + "\\_MSI5166._PW"));
}

// The probe never opens a file that is there already: another program's file
// (or the target of a link) named like the old fixed probe stays as it is, and
// nothing of the probe remains.
TEST_F(WorkFolderFixture, WriteProbeLeavesExistingFilesAlone)
{
    std::string fixedName = root + "_MSI5166._PW";
    WriteBytes(fixedName, "someone's data");
    HANDLE held =
        CreateFileA(fixedName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(writeProbe(folder.path().c_str()));
    CloseHandle(held);
    std::string kept;
    ASSERT_TRUE(ReadWholeFile(fixedName, &kept));
    EXPECT_EQ(kept, "someone's data");
    EXPECT_EQ(FolderEntries(folder.path(), "_MSI5166*"), std::vector<std::string>{"_MSI5166._PW"});
}

TEST_F(WorkFolderFixture, NewFolderInTheTemporaryRootWithSetupIniExtracted)
{
    ScopedEnvironment tmp("TMP", folder.path().c_str());
    g_freeEverywhere = 1u << 20;
    auto c = context({{"Setup.ini", "[Startup]\r\n"}, {"Vizor.msi", "package"}});
    ASSERT_EQ(prepareWorkFolder(c.get()), 1);
    EXPECT_EQ(c->fileSource, Temporary);
    EXPECT_EQ(c->payloadTotalSize, uint64_t(strlen("[Startup]\r\n") + strlen("package")));
    ASSERT_NE(c->workFolder, nullptr);

    std::string work(c->workFolder);
    EXPECT_EQ(work.rfind(folder.path() + "\\_pw", 0), 0u) << work;
    EXPECT_EQ(work.find('.', folder.path().size()), std::string::npos) << "the folder keeps no extension";
    EXPECT_TRUE(PathPresent(work + "\\Setup.INI"));
    EXPECT_FALSE(PathPresent(work + "\\Vizor.msi"));
    EXPECT_EQ(FolderEntries(folder.path(), "_pw*.tmp").size(), 0u) << "the unique temporary file stays";
    EXPECT_EQ(c->extractedCount, 1u);
}

TEST_F(WorkFolderFixture, NeedIsTheTotalSizeInWholeKilobytes)
{
    ScopedEnvironment tmp("TMP", folder.path().c_str());
    // 2047 bytes need 1 KB, which the root must exceed.
    for (uint64_t freeKb : {uint64_t(1), uint64_t(2)}) {
        SCOPED_TRACE(freeKb);
        MessageRecorder messages;
        g_free.clear();
        g_free[root] = freeKb;
        auto c = context({{"Setup.INI", std::string(2047, 'x')}});
        int ok = prepareWorkFolder(c.get());
        EXPECT_EQ(ok, freeKb == 2 ? 1 : 0);
        if (!ok) {
            ASSERT_EQ(messages.texts.size(), 1u);
            EXPECT_EQ(messages.texts[0], "Error writing to the temporary location");
        }
        if (c->workFolder && ok)
            RemoveTree(std::string(c->workFolder));
    }
}

TEST_F(WorkFolderFixture, UncTemporaryPathFallsBackToTheWindowsFolder)
{
    ScopedEnvironment tmp("TMP", "\\\\server\\share\\");
    ScopedEnvironment temp("TEMP", "\\\\server\\share\\");
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    g_freeEverywhere = 1u << 20;
    auto c = context({{"Setup.INI", "[Startup]\r\n"}});
    char tempPath[MAX_PATH];
    GetTempPathA(sizeof tempPath, tempPath);
    if (strncmp(tempPath, "\\\\", 2) != 0)
        GTEST_SKIP() << "the system does not hand out a UNC temporary path: " << tempPath;
    ASSERT_EQ(prepareWorkFolder(c.get()), 1);
    std::string work(c->workFolder);
    EXPECT_EQ(work.rfind(std::string(windows) + "\\_pw", 0), 0u) << work;
    RemoveTree(work);
}

TEST_F(WorkFolderFixture, NoQualifyingRootShows1151)
{
    ScopedEnvironment tmp("TMP", folder.path().c_str());
    MessageRecorder messages;
    auto c = context({{"Setup.INI", "x"}});
    EXPECT_EQ(prepareWorkFolder(c.get()), 0);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Error writing to the temporary location");
    EXPECT_EQ(c->workFolder, nullptr);
    // Every root was asked: the temporary path and the Windows folder first.
    ASSERT_GE(g_asked.size(), 2u);
    EXPECT_EQ(g_asked[0], root);
}

TEST_F(WorkFolderFixture, EmptyContainerUsesTheSourceFolder)
{
    auto c = context({});
    ASSERT_EQ(prepareWorkFolder(c.get()), 1);
    EXPECT_EQ(c->fileSource, SourceFolder);
    EXPECT_STREQ(c->workFolder, folder.path().c_str());
    EXPECT_TRUE(g_asked.empty());
}

// Unique names counted up from 1, created as the system does.
unsigned g_nextUnique;
UINT countingTempFileName(const char *folder, const char *prefix, UINT, char *name)
{
    for (;; ++g_nextUnique) {
        size_t n = strlen(folder);
        const char *slash = (n && folder[n - 1] == '\\') ? "" : "\\";
        snprintf(name, MAX_PATH, "%s%s%s%x.tmp", folder, slash, prefix, g_nextUnique);
        HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return g_nextUnique++;
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            return 0;
    }
}

// Folders named like the next unique names already exist (made by someone else):
// none of them may become the work folder.
TEST_F(WorkFolderFixture, ExistingFolderIsNeverTakenOver)
{
    ScopedEnvironment tmp("TMP", folder.path().c_str());
    g_freeEverywhere = 1u << 20;
    g_pfnTempFileName = countingTempFileName;
    struct Case {
        unsigned foreignFolders;
        bool made;
        const char *expected;
    } cases[] = {{0, true, "_pw1"}, {2, true, "_pw3"}, {40, false, NULL}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.foreignFolders);
        g_nextUnique = 1;
        std::vector<std::string> foreign;
        for (unsigned i = 1; i <= c.foreignFolders; ++i) {
            char name[MAX_PATH];
            snprintf(name, sizeof name, "%s\\_pw%x", folder.path().c_str(), i);
            ASSERT_TRUE(CreateDirectoryA(name, nullptr));
            foreign.push_back(name);
        }
        MessageRecorder messages;
        auto ctx = context({{"Setup.INI", "[Startup]\r\n"}});
        EXPECT_EQ(prepareWorkFolder(ctx.get()), c.made ? 1 : 0);
        if (c.made) {
            ASSERT_NE(ctx->workFolder, nullptr);
            EXPECT_EQ(std::string(ctx->workFolder), folder.path() + "\\" + c.expected);
            EXPECT_TRUE(messages.texts.empty());
        } else {
            ASSERT_EQ(messages.texts.size(), 1u);
            EXPECT_EQ(messages.texts[0], "Error writing to the temporary location");
        }
        for (const std::string &f : foreign)
            EXPECT_TRUE(FolderEntries(f, "*").empty()) << f << " was written to";
        EXPECT_TRUE(FolderEntries(folder.path(), "_pw*.tmp").empty()) << "unique files left behind";
        releaseHeldFiles(ctx.get()); // extracted files stay open until used
        if (ctx->workFolder && c.made)
            RemoveTree(std::string(ctx->workFolder));
        for (const std::string &f : foreign)
            RemoveDirectoryA(f.c_str());
    }
}

namespace {

// Checks an access list: protected, and only the user, SYSTEM and
// Administrators allowed, nothing inherited.
void expectPrivate(PSECURITY_DESCRIPTOR descriptor)
{
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the root's entries would be inherited";
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = NULL;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl) << "no access list: everyone may enter";

    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID system = NULL, administrators = NULL;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system));
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                         &administrators));
    HANDLE token = NULL;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    BYTE userBuffer[256];
    DWORD length = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, userBuffer, sizeof userBuffer, &length));
    CloseHandle(token);
    PSID user = reinterpret_cast<TOKEN_USER *>(userBuffer)->User.Sid;

    bool seen[3] = {false, false, false};
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE *ace = NULL;
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void **>(&ace)));
        ASSERT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_FALSE(ace->Header.AceFlags & INHERITED_ACE);
        EXPECT_TRUE(ace->Header.AceFlags & OBJECT_INHERIT_ACE) << "the files inside must inherit it";
        PSID sid = &ace->SidStart;
        PSID expected[3] = {system, administrators, user};
        bool known = false;
        for (int k = 0; k < 3; ++k)
            if (EqualSid(sid, expected[k]))
                known = seen[k] = true;
        EXPECT_TRUE(known) << "an entry for someone else";
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2]);
    FreeSid(system);
    FreeSid(administrators);
}

} // namespace

// The work folder's own access list: the user, SYSTEM and Administrators, and
// nothing inherited from the root, where every local user may be allowed in.
TEST_F(WorkFolderFixture, WorkFolderIsCreatedPrivate)
{
    PrivateFolderSecurity security;
    ASSERT_NE(security.get(), nullptr);
    expectPrivate(security.get()->lpSecurityDescriptor);
}

// What the file system keeps of it (Wine keeps no access lists on its folders:
// there this is skipped, the descriptor handed over is checked above).
TEST_F(WorkFolderFixture, WorkFolderKeepsItsAccessList)
{
    ScopedEnvironment tmp("TMP", folder.path().c_str());
    g_freeEverywhere = 1u << 20;
    auto c = context({{"Setup.INI", "[Startup]\r\n"}});
    ASSERT_EQ(prepareWorkFolder(c.get()), 1);
    ASSERT_NE(c->workFolder, nullptr);
    DWORD size = 0;
    GetFileSecurityA(c->workFolder, DACL_SECURITY_INFORMATION, NULL, 0, &size);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> buffer(size);
    ASSERT_TRUE(GetFileSecurityA(c->workFolder, DACL_SECURITY_INFORMATION, buffer.data(), size, &size));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(buffer.data(), &control, &revision));
    if (!(control & SE_DACL_PROTECTED))
        GTEST_SKIP() << "this file system keeps no access list of its own for the folder";
    expectPrivate(buffer.data());
}

// An extracted file is held open: nobody may write, replace or delete it until
// its program has started; afterwards the clean-up can delete it.
TEST_F(WorkFolderFixture, ExtractedFilesAreHeldUntilReleased)
{
    ScopedEnvironment tmp("TMP", folder.path().c_str());
    g_freeEverywhere = 1u << 20;
    auto c = context({{"Setup.INI", "[Startup]\r\n"}, {"Vizor.msi", "package"}});
    ASSERT_EQ(prepareWorkFolder(c.get()), 1);
    ASSERT_EQ(extractToWorkFolder(c.get(), "Vizor.msi"), 1);
    std::string package = std::string(c->workFolder) + "\\Vizor.msi";

    HANDLE writer = CreateFileA(package.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << "the package could be changed after its check";
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);
    EXPECT_FALSE(DeleteFileA(package.c_str())) << "the package could be replaced";
    EXPECT_FALSE(MoveFileA(package.c_str(), (package + ".old").c_str()));
    // Readers, such as msiexec, may open it.
    HANDLE reader = CreateFileA(package.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    if (reader != INVALID_HANDLE_VALUE)
        CloseHandle(reader);

    releaseHeldFiles(c.get());
    EXPECT_EQ(c->heldCount, 0u);
    EXPECT_TRUE(DeleteFileA(package.c_str()));
}
