#include "e2e/driver.h"

namespace {

const UINT TALK_TIMEOUT_MS = 2000;

} // namespace

bool LauncherProcess::start(const std::string &program, const std::string &arguments, const std::string &tempFolder,
                            const std::vector<std::string> &extra)
{
    std::vector<std::string> variables = {"TMP=" + tempFolder, "TEMP=" + tempFolder};
    variables.insert(variables.end(), extra.begin(), extra.end());
    const std::string environment = EnvironmentWith(variables);
    return Start(program, arguments, NULL, environment.c_str());
}

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(combo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, TALK_TIMEOUT_MS, &count))
        return items;
    // Asked in UTF-16: the system marshals the wide message between processes
    // in full; the text is turned back into the code page here.
    for (DWORD_PTR i = 0; i < count && LONG_PTR(count) != CB_ERR; ++i) {
        WCHAR wide[512] = {0};
        DWORD_PTR length = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, TALK_TIMEOUT_MS, &length);
        if (length >= sizeof wide / sizeof wide[0])
            continue;
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, TALK_TIMEOUT_MS,
                            &ignored);
        char text[1024] = {0};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL);
        items.push_back(text);
    }
    return items;
}
