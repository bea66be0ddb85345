// The container reader on real files: finding entries, extracting them, and
// damaged containers.
#include <gtest/gtest.h>

#include <stddef.h>
#include <string.h>

#include "cleanup.h"
#include "container.h"
#include "context.h"
#include "payload.h"
#include "test_support.h"
#include "resources/resource.h"

namespace {

const uint32_t SECTION_START = 0x200;
const uint32_t SECTION_SIZE = 0x40;
const uint32_t CONTAINER_START = SECTION_START + SECTION_SIZE;

struct ReaderFixture : ::testing::Test {
    TempFolder folder;
    LauncherState state;
    std::string program = folder.file("setup.exe");

    void writeProgram(const std::string &container)
    {
        WriteBytes(program, FakeImage(SECTION_START, SECTION_SIZE) + container);
    }
};

} // namespace

TEST_F(ReaderFixture, ContainerStartsWhereTheSectionDataEnds)
{
    writeProgram(ContainerBytes({{"setup.ini", "[Startup]\r\n"}}));
    PayloadReader reader(program.c_str());
    EXPECT_TRUE(reader.isOpen());
    EXPECT_EQ(reader.containerStart(), CONTAINER_START);
    EXPECT_EQ(reader.entryCount(), 1u);
}

TEST_F(ReaderFixture, FindsEntriesByName)
{
    const std::vector<FixtureEntry> entries = {
        {"setup.ini", "[Startup]\r\nProduct=P\r\n"},
        {"empty.txt", ""},
        {"Vizor.msi", std::string(3000, 'm')},
        {"VIZOR.MSI", "second of the same name"},
    };
    writeProgram(ContainerBytes(entries));
    PayloadReader reader(program.c_str());
    ASSERT_EQ(reader.entryCount(), 4u);
    EXPECT_EQ(reader.totalSize(), uint64_t(entries[0].data.size() + 3000 + entries[3].data.size()));

    struct Case {
        const char *ask;
        const char *expected; // data, or null for absent
        const char *why;
    } cases[] = {
        {"Setup.INI", entries[0].data.c_str(), "name found regardless of case"},
        {"setup.ini", entries[0].data.c_str(), "exact name"},
        {"empty.txt", "", "an entry of size 0 gives an empty file"},
        {"vizor.msi", entries[2].data.c_str(), "the first of two equal names wins"},
        {"setup.in", NULL, "a prefix is not the name"},
        {"missing.txt", NULL, "absent entry"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        std::string target = folder.file("out.bin");
        DeleteFileA(target.c_str());
        int ok = reader.extract(c.ask, target.c_str());
        EXPECT_EQ(ok != 0, c.expected != nullptr);
        std::string got;
        EXPECT_EQ(ReadWholeFile(target, &got), c.expected != nullptr);
        if (c.expected) {
            EXPECT_EQ(got, c.expected);
        }
    }
}

TEST_F(ReaderFixture, DataOffsetsFollowTheLayout)
{
    writeProgram(ContainerBytes({{"a", "12345"}, {"b", "xy"}}));
    PayloadReader reader(program.c_str());
    uint64_t offset = 0;
    ASSERT_NE(reader.find("a", &offset), nullptr);
    EXPECT_EQ(offset, CONTAINER_START + 46 + 312);
    ASSERT_NE(reader.find("B", &offset), nullptr);
    EXPECT_EQ(offset, CONTAINER_START + 46 + 312 + 5 + 312);
}

TEST_F(ReaderFixture, DamagedContainers)
{
    const std::string one = ContainerBytes({{"setup.ini", "abc"}});
    struct Case {
        const char *why;
        std::string container;
        unsigned entryCount;
        unsigned listed;
    } cases[] = {
        {"bad signature", ContainerBytes({{"setup.ini", "abc"}}, -1, "Packagewrong"), 0, 0},
        {"signature in other case", ContainerBytes({{"setup.ini", "abc"}}, -1, "PACKAGEWRIGHT"), 1, 1},
        {"count 0", ContainerBytes({{"setup.ini", "abc"}}, 0), 0, 0},
        {"no container at all", "", 0, 0},
        {"header cut short", one.substr(0, 20), 0, 0},
        {"count larger than the records present", ContainerBytes({{"setup.ini", "abc"}}, 65535), 65535, 1},
        {"record cut short", one + EntryRecord("late.txt", 4).substr(0, 100), 1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        writeProgram(c.container);
        PayloadReader reader(program.c_str());
        EXPECT_EQ(reader.entryCount(), c.entryCount);
        EXPECT_EQ(reader.listedCount(), c.listed);
    }
}

TEST_F(ReaderFixture, EntryRunningPastTheEndOfTheFileIsNotExtracted)
{
    // The record promises 5000 bytes; 10 follow.
    PayloadHeader header = {};
    memcpy(header.signature, "Packagewright", 14);
    header.entryCount = 1;
    std::string container(reinterpret_cast<const char *>(&header), sizeof header);
    container += EntryRecord("Vizor.msi", 5000) + std::string(10, 'x');
    writeProgram(container);
    PayloadReader reader(program.c_str());
    ASSERT_NE(reader.find("Vizor.msi", nullptr), nullptr);
    std::string target = folder.file("Vizor.msi");
    EXPECT_EQ(reader.extract("Vizor.msi", target.c_str()), 0);
    EXPECT_FALSE(PathPresent(target)) << "a partial file was left behind";
}

TEST_F(ReaderFixture, TargetThatCannotBeCreatedFails)
{
    writeProgram(ContainerBytes({{"setup.ini", "abc"}}));
    PayloadReader reader(program.c_str());
    std::string target = folder.file("no-such-folder\\setup.ini");
    EXPECT_EQ(reader.extract("setup.ini", target.c_str()), 0);
}

TEST_F(ReaderFixture, MissingProgramFileGivesAClosedEmptyReader)
{
    PayloadReader reader(folder.file("absent.exe").c_str());
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(reader.entryCount(), 0u);
    EXPECT_EQ(reader.find("setup.ini", nullptr), nullptr);
    EXPECT_EQ(reader.extract("setup.ini", folder.file("x").c_str()), 0);
}

// extractToWorkFolder: names that would leave the work folder are refused with 1152.
TEST_F(ReaderFixture, ExtractionKeepsEveryNameInsideTheWorkFolder)
{
    std::string work = folder.file("work");
    ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    writeProgram(ContainerBytes({
        {"..\\escaped.txt", "evil"},
        {"sub\\escaped.txt", "evil"},
        {"C:escaped.txt", "evil"},
        {"..", "evil"},
        {"/escaped.txt", "evil"},
        {"good.txt", "fine"},
    }));
    SetupContext context(GetModuleHandleA(NULL), program.c_str());
    context.fileSource = Temporary;
    context.launchKind = Normal;
    SetupContext::assign(context.workFolder, work.c_str());

    MessageRecorder messages;
    const char *refused[] = {"..\\escaped.txt", "sub\\escaped.txt", "C:escaped.txt", "..", "/escaped.txt"};
    for (const char *name : refused) {
        SCOPED_TRACE(name);
        size_t before = messages.texts.size();
        EXPECT_EQ(extractToWorkFolder(&context, name), 0);
        ASSERT_EQ(messages.texts.size(), before + 1);
        EXPECT_EQ(messages.texts.back().rfind("1152: Error extracting '", 0), 0u) << messages.texts.back();
    }
    EXPECT_FALSE(PathPresent(folder.file("escaped.txt")));
    EXPECT_FALSE(PathPresent(work + "\\sub"));
    EXPECT_EQ(context.extractedCount, 0u);

    EXPECT_EQ(extractToWorkFolder(&context, "good.txt"), 1);
    EXPECT_EQ(context.extractedCount, 1u);
    char recorded[1024] = {0};
    GetPrivateProfileStringA("Files", "File1", "", recorded, sizeof recorded, (work + "\\_PWMSIDEL.INI").c_str());
    EXPECT_EQ(std::string(recorded), work + "\\good.txt");
}

TEST_F(ReaderFixture, ExtractionFailureNamesTheTarget)
{
    std::string work = folder.file("work");
    ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    writeProgram(ContainerBytes({{"setup.ini", "abc"}}));
    SetupContext context(GetModuleHandleA(NULL), program.c_str());
    context.fileSource = Temporary;
    SetupContext::assign(context.workFolder, work.c_str());
    MessageRecorder messages;
    EXPECT_EQ(extractToWorkFolder(&context, "1031.MST"), 0);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "1152: Error extracting '" + work + "\\1031.MST' to the temporary location");
    EXPECT_FALSE(PathPresent(work + "\\_PWMSIDEL.INI"));
}

// Outside a normal run with extracted files the file is expected in place already.
TEST_F(ReaderFixture, ExtractionIsSkippedUnlessExtractingForANormalRun)
{
    writeProgram(ContainerBytes({{"setup.ini", "abc"}}));
    struct Case {
        int fileSource;
        int launchKind;
    } cases[] = {{SourceFolder, Normal}, {Temporary, PackageGiven}, {Temporary, FolderGiven}};
    for (const Case &c : cases) {
        SetupContext context(GetModuleHandleA(NULL), program.c_str());
        context.fileSource = c.fileSource;
        context.launchKind = c.launchKind;
        SetupContext::assign(context.workFolder, folder.path().c_str());
        EXPECT_EQ(extractToWorkFolder(&context, "setup.ini"), 1);
        EXPECT_FALSE(PathPresent(folder.file("setup.ini")));
        EXPECT_EQ(context.extractedCount, 0u);
    }
}

// Digests: the packer writes each entry's SHA-256 into its record; the data must
// match it, byte for byte, or nothing is extracted.
TEST_F(ReaderFixture, DigestIsCheckedWhileCopying)
{
    const std::string package(5000, 'p');
    const std::string packed = DigestedContainerBytes({{"Setup.INI", "[Startup]\r\n"}, {"Vizor.msi", package}});
    const size_t packageData = packed.size() - package.size();
    const size_t packageRecord = packageData - sizeof(PayloadEntry);
    struct Case {
        const char *why;
        size_t flip; // byte of the container to change, or npos
        bool extracted;
    } cases[] = {
        {"data as packed", std::string::npos, true},
        {"first byte of the data changed", packageData, false},
        {"a byte in the last, short block changed", packed.size() - 1, false},
        {"a byte of the digest changed", packageRecord + offsetof(PayloadEntry, digest) + 7, false},
        {"the marker changed", packageRecord + offsetof(PayloadEntry, digestMarker), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        std::string container = packed;
        if (c.flip != std::string::npos)
            container[c.flip] = char(container[c.flip] ^ 0x01);
        writeProgram(container);
        PayloadReader reader(program.c_str());
        std::string target = folder.file("Vizor.msi");
        DeleteFileA(target.c_str());
        EXPECT_EQ(reader.extract("Vizor.msi", target.c_str()) != 0, c.extracted);
        std::string got;
        EXPECT_EQ(ReadWholeFile(target, &got), c.extracted) << "a file that failed its check stays behind";
        if (c.extracted) {
            EXPECT_EQ(got, package);
        }
    }
}

TEST_F(ReaderFixture, RecordsWithoutDigestStillExtract)
{
    // Made before digests: the 40 bytes are zero and the data is taken as it is.
    writeProgram(ContainerBytes({{"Vizor.msi", "old package"}}));
    PayloadReader reader(program.c_str());
    const PayloadEntry *entry = reader.find("Vizor.msi", NULL);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(EntryDigestKind(*entry), DIGEST_NONE);
    std::string target = folder.file("Vizor.msi");
    EXPECT_EQ(reader.extract("Vizor.msi", target.c_str()), 1);
    std::string got;
    ASSERT_TRUE(ReadWholeFile(target, &got));
    EXPECT_EQ(got, "old package");

    // Bytes there that are neither zero nor a digest: the record is not trusted.
    PayloadEntry odd = *entry;
    odd.digest[31] = 1;
    EXPECT_EQ(EntryDigestKind(odd), DIGEST_UNKNOWN);
    PayloadEntry marked = *entry;
    memcpy(marked.digestMarker, "SHA-256", 8);
    EXPECT_EQ(EntryDigestKind(marked), DIGEST_SHA256);
}

TEST_F(ReaderFixture, TamperedEntryIsAnExtractionFailureAndLeavesNoFile)
{
    std::string work = folder.file("_pw1");
    ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    std::string container = DigestedContainerBytes({{"Vizor.msi", std::string(3000, 'v')}});
    container[container.size() - 1500] = 'X';
    writeProgram(container);
    SetupContext context(GetModuleHandleA(NULL), program.c_str());
    context.fileSource = Temporary;
    SetupContext::assign(context.workFolder, work.c_str());
    MessageRecorder messages;
    EXPECT_EQ(extractToWorkFolder(&context, "Vizor.msi"), 0);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "1152: Error extracting '" + work + "\\Vizor.msi' to the temporary location");
    EXPECT_FALSE(PathPresent(work + "\\Vizor.msi"));
    EXPECT_EQ(context.extractedCount, 0u);
}

// The clean-up list and Setup.INI belong to the launcher: an entry named like
// them (a Setup.INI saying PackageName=_PWMSIDEL.INI) would replace the list and
// make the clean-up delete whatever the crafted list names.
TEST_F(ReaderFixture, ReservedNamesAreNeverExtractedOverTheLaunchersFiles)
{
    std::string work = folder.file("_pw2");
    ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    const std::string crafted = "[Files]\r\nFile1=" + folder.file("victim.txt") + "\r\n";
    writeProgram(ContainerBytes({
        {"Setup.INI", "[Startup]\r\nPackageName=_PWMSIDEL.INI\r\n"},
        {"_PWMSIDEL.INI", crafted},
        {"_pwmsidel.ini.", crafted},
        {"_PWMSIDEL.INI ", crafted},
        {"_PWMSID~1.INI", crafted},
        {"Vizor.msi", "package"},
    }));
    SetupContext context(GetModuleHandleA(NULL), program.c_str());
    context.fileSource = Temporary;
    SetupContext::assign(context.workFolder, work.c_str());
    MessageRecorder messages;
    ASSERT_EQ(extractEntry(&context, "Setup.INI", true), 1);
    std::string list;
    ASSERT_TRUE(ReadWholeFile(work + "\\_PWMSIDEL.INI", &list));

    const char *refused[] = {"_PWMSIDEL.INI", "_pwmsidel.ini.", "_PWMSIDEL.INI ", "Setup.INI", "setup.ini"};
    for (const char *name : refused) {
        SCOPED_TRACE(name);
        size_t before = messages.texts.size();
        EXPECT_EQ(extractToWorkFolder(&context, name), 0);
        ASSERT_EQ(messages.texts.size(), before + 1);
        EXPECT_EQ(messages.texts.back().rfind("1152: ", 0), 0u) << messages.texts.back();
    }
    // A short name may reach the list as well where the volume makes them: the
    // extraction never replaces an existing file, whatever its name.
    extractToWorkFolder(&context, "_PWMSID~1.INI");
    std::string after;
    ASSERT_TRUE(ReadWholeFile(work + "\\_PWMSIDEL.INI", &after));
    EXPECT_EQ(after.rfind(list, 0), 0u) << "the clean-up list was replaced";
    EXPECT_EQ(after.find("victim"), std::string::npos) << after;
    EXPECT_EQ(extractToWorkFolder(&context, "Vizor.msi"), 1);
}

TEST_F(ReaderFixture, ExistingFileIsNotReplaced)
{
    writeProgram(ContainerBytes({{"a.txt", "new"}}));
    PayloadReader reader(program.c_str());
    std::string target = folder.file("a.txt");
    WriteBytes(target, "old");
    EXPECT_EQ(reader.extract("a.txt", target.c_str()), 0);
    std::string got;
    ASSERT_TRUE(ReadWholeFile(target, &got));
    EXPECT_EQ(got, "old");
}

TEST_F(ReaderFixture, FileThatCannotBeRecordedIsNotKept)
{
    // The list file's place is taken by a folder: nothing can be recorded.
    std::string work = folder.file("_pw3");
    ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((work + "\\_PWMSIDEL.INI").c_str(), nullptr));
    writeProgram(ContainerBytes({{"Vizor.msi", "package"}}));
    SetupContext context(GetModuleHandleA(NULL), program.c_str());
    context.fileSource = Temporary;
    SetupContext::assign(context.workFolder, work.c_str());
    MessageRecorder messages;
    EXPECT_EQ(extractToWorkFolder(&context, "Vizor.msi"), 0);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0].rfind("1152: ", 0), 0u);
    EXPECT_FALSE(PathPresent(work + "\\Vizor.msi")) << "a file the clean-up does not know of stays for good";
    EXPECT_EQ(context.extractedCount, 0u);
}
