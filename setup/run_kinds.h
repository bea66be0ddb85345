// The plain values a run is described by: msiexec operation, where the setup
// files are, and how the run was started. No Windows calls.
#pragma once

enum InstallMode {
    Install = 0,
    Administrative = 1,
    Repair = 2,
    Advertise = 3,
    Uninstall = 4,
    Patch = 5,
};

enum FileSource {
    Temporary = 1,    // extracted into a folder of the launcher's making, deleted at the end
    SourceFolder = 2, // used where they lie, next to the launcher
};

enum LaunchKind {
    Normal = 1,       // the full flow
    PackageGiven = 2, // "/M" was the last of "/M" and "/T"
    FolderGiven = 3,  // "/T" was the last
};

typedef int PlatformCode;

enum {
    PLATFORM_WIN9X = 1,  // also any platform id the launcher does not handle
    PLATFORM_NT_X86 = 2, // Windows NT on x86 and any processor not listed below
    PLATFORM_NT_ALPHA = 3,
    PLATFORM_NT_MIPS = 4,
    PLATFORM_NT_PPC = 5,
    PLATFORM_WIN32S = 7,
};
